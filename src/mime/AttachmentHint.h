#pragma once
// A first guess, from the start of a message's source alone, whether the
// message carries files: the message list marks such messages long before
// any of them is parsed whole. The guess errs towards a mark: a
// multipart/mixed message whose parts are all text is marked too.

#include <cstddef>
#include <string_view>

namespace vellumine {

// How much of a source the guess looks at: the top header and the first
// lines of the body, where a uuencoded block of an old client's message
// usually begins.
inline constexpr std::size_t kAttachmentHintBytes = 16 * 1024;

// True when the prefix shows a top Content-Type multipart/mixed, a whole
// message that is itself a file (a Content-Disposition "attachment", or a
// type that is neither text, multipart nor message), or, within the prefix,
// a part header "Content-Disposition: attachment" or a uuencode line
// "begin NNN name". Only the first kAttachmentHintBytes are looked at.
bool LooksLikeItCarriesAttachments(std::string_view sourcePrefix);

}  // namespace vellumine
