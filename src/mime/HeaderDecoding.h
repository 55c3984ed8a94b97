#pragma once
// Header texts as a reader sees them: encoded words (RFC 2047) and extended
// parameter values (RFC 2231) decoded into UTF-8. For display, printing,
// pages and file names only; the header accessors of the MIME model keep
// returning values as they stand.

#include <string>
#include <string_view>

namespace vellumine {

class TMailPart;

// Decodes every well-formed encoded word "=?charset?B|Q?text?=" (any charset
// iconv knows; a language after "*" is ignored). Blanks and line folds
// between two encoded words are dropped; bytes of adjacent words in one
// charset are joined before conversion, so a character split between them
// stays whole. Malformed words stay as they stand. Text outside encoded
// words, and words in unknown charsets, are read as UTF-8 where valid, else
// as Windows-1252.
std::string DecodeHeaderText(std::string_view raw);

// The value of parameter `name` of a header line ("Name: value; p=v"),
// decoded: RFC 2231 forms (`name*=utf-8''%E2%82%AC`, continuations
// `name*0`, `name*1*`, ...) first, then the plain `name=` value with its
// encoded words decoded. Empty when the line has no such parameter.
std::string DecodeParameterValue(std::string_view headerLine, std::string_view name);

// The file name of an attachment for display: the disposition's
// "filename", else the content type's "name"; empty when neither is there.
std::string AttachmentFileName(const TMailPart& part);

}  // namespace vellumine
