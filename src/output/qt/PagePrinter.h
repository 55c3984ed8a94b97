#pragma once
// The printer of a print run and the page layout it prints with.

#include <QPageLayout>
#include <functional>
#include <memory>
#include <string>

#include "render/PageDesign.h"

class QPrinter;

namespace vellumine {

class BrowserView;
class TTempFileList;

// The system's default printer; none when no printer is installed.
std::unique_ptr<QPrinter> DefaultPrinter();

// The layout of a run before the user chose one in the page set-up dialog:
// the printer's paper and orientation with the margins the design template
// asks for in its "@page" rule, else 20 mm all round (the printer's own
// default leaves only a few millimetres).
QPageLayout FirstRunPageLayout(const QPrinter& printer, const std::string& templatePath);

// What a print run prints with.
struct PrintSettings {
    std::string tempFolder;       // print.htm and its images go here
    TTempFileList* record = nullptr;
    PageDesign design;            // the template and header rows (the design is always on)
    QPageLayout chosenLayout;     // from the page set-up dialog; invalid: FirstRunPageLayout
    std::function<std::unique_ptr<QPrinter>()> printerFactory;
    int pageWaitMilliseconds = 30000;
};

// Prints one message after the other through a browser view: composes
// print.htm, waits (handling events) until the view has loaded it, prints
// it without a dialog and waits until the printer took it. Raises the
// German error that ends a run: the page did not load, the printer is still
// busy with a page before, there is no printer, the printer refused.
class PagePrinter {
public:
    PagePrinter(BrowserView& view, PrintSettings settings);
    ~PagePrinter();
    void PrintMessage(const std::string& source, const HeaderFields& fields);

private:
    BrowserView& FView;
    PrintSettings FSettings;
    std::unique_ptr<QPrinter> FPrinter;  // the printer of the page being printed
};

}  // namespace vellumine
