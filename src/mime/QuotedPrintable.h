#pragma once
// Quoted-printable: the body decoder, the encoder (body mode with soft line
// breaks at 72 characters, header mode for encoded words) and the
// encoded-word wrapper.

#include <string>
#include <string_view>

namespace vellumine {

// Decodes "=XY" escapes (upper- or lower-case hexadecimal digits) and soft
// line breaks ("=" before CR LF, also with blanks between). An "=" that
// starts neither is kept as it stands, with what follows it.
std::string QPDecode(std::string_view text);

// Body mode keeps line breaks (CR LF or a lone LF) and writes them as CR LF;
// a lone CR is escaped. Linear in the text, also for one very long line.
std::string QPEncode(std::string_view text, bool headerMode);

// The text unchanged when nothing in it needs escaping, else one encoded
// word "=?charset?Q?...?=".
std::string EncodeHeaderWord(std::string_view text, std::string_view charset);

}  // namespace vellumine
