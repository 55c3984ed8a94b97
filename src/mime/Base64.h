#pragma once
// Base64: a decoder that reads a body as one stream (characters outside the
// alphabet are skipped and take no place in a group, so a group may go on
// across a line break) and the encoder that writes lines of 76 characters.

#include <string>
#include <string_view>

namespace vellumine {

class ByteBuffer;

class Base64Decoder {
public:
    // Appends the bytes of every group the text completes to `out`.
    void Feed(std::string_view text, std::string& out);
    // The same into raw memory of at least RoomFor(text.size()) bytes (a
    // decoding step may write past the bytes it decodes); the number of
    // bytes decoded.
    std::size_t Feed(std::string_view text, unsigned char* out);
    std::size_t RoomFor(std::size_t textSize) const;

private:
    void DecodeGroup(unsigned char*& out);

    unsigned char FGroup[4] = {};
    int FFilled = 0;
};

// Decodes one line on its own and appends its bytes to `out`; a group the
// line leaves incomplete is dropped. Returns the number of bytes appended.
std::size_t Base64DecodeLine(std::string_view line, std::string& out);

// A whole body as one stream.
std::string Base64Decode(std::string_view body);
// The same into a buffer whose memory is not cleared before it is written.
void Base64Decode(std::string_view body, ByteBuffer& out);

// The base64 form of `source` in lines of 76 characters, each followed by
// CR LF (the last, shorter one too); empty for an empty source.
std::string Base64EncodeStream(std::string_view source);

}  // namespace vellumine
