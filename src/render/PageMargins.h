#pragma once
// The page margins a design template asks for in its "@page" rule, so that
// printing uses them before the user chose a layout of their own.

#include <optional>
#include <string_view>

namespace vellumine {

struct PageMargins {
    double top = 20, right = 20, bottom = 20, left = 20;  // millimetres
};

// The margins of the first "@page { ... margin: ...; }" rule: one to four
// lengths in mm, cm, in, pt or px, spread as CSS spreads them. None when
// the text has no such rule or a length cannot be read.
std::optional<PageMargins> TemplatePageMargins(std::string_view text);

}  // namespace vellumine
