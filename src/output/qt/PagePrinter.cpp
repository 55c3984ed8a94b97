#include "output/qt/PagePrinter.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "platform/FileAccess.h"
#include "render/PageMargins.h"

namespace vellumine {

std::unique_ptr<QPrinter> DefaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

QPageLayout FirstRunPageLayout(const QPrinter& printer, const std::string& templatePath)
{
    PageMargins margins;
    if (!templatePath.empty()) {
        if (const auto text = ReadFileBytes(templatePath)) {
            if (const auto asked = TemplatePageMargins(*text))
                margins = *asked;
        }
    }
    const QPageLayout current = printer.pageLayout();
    return QPageLayout(current.pageSize(), current.orientation(),
                       QMarginsF(margins.left, margins.top, margins.right, margins.bottom), QPageLayout::Millimeter);
}

}  // namespace vellumine
