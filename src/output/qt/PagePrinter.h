#pragma once
// The printer of a print run and the page layout it prints with.

#include <QPageLayout>
#include <memory>
#include <string>

class QPrinter;

namespace vellumine {

// The system's default printer; none when no printer is installed.
std::unique_ptr<QPrinter> DefaultPrinter();

// The layout of a run before the user chose one in the page set-up dialog:
// the printer's paper and orientation with the margins the design template
// asks for in its "@page" rule, else 20 mm all round (the printer's own
// default leaves only a few millimetres).
QPageLayout FirstRunPageLayout(const QPrinter& printer, const std::string& templatePath);

}  // namespace vellumine
