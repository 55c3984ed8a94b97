#pragma once
// One node of a parsed message: its header lines (unfolded, canonical),
// its body as written in the source, the decoded body, and the child parts
// of a multipart. A part owns its children; every part knows the message
// it belongs to, which is the root of the tree. The part a source is given
// to keeps that text; its body and those of its children are ranges of it,
// not copies.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mime/LineList.h"
#include "platform/BytePieces.h"
#include "platform/LargeBuffer.h"

namespace vellumine {

class FileText;
class TMailMessage;
class TMailPart;

// References to parts that belong to a message's tree; the list does not own them.
using TMailPartList = std::vector<TMailPart*>;

class TMailPart {
public:
    // Multiparts nested deeper than this are not split further: their text
    // stays in the body of the deepest part.
    static constexpr int kMaxNestingDepth = 64;

    explicit TMailPart(TMailMessage* ownerMessage, TMailPart* parentPart = nullptr);
    virtual ~TMailPart();
    TMailPart(const TMailPart&) = delete;
    TMailPart& operator=(const TMailPart&) = delete;

    std::string Name;  // shown in the error of a part without a message

    // Header access; names match without regard to case, the first field of
    // a name counts.
    const TLineList& Headers() const { return FHeaders; }
    std::string GetHeader(std::string_view name) const;
    std::string GetHeaderParam(std::string_view name, std::string_view param) const;
    bool HasHeader(std::string_view name) const;
    void SetHeader(std::string_view name, std::string_view value);  // an empty value deletes the field
    void SetHeaderParam(std::string_view name, std::string_view param, std::string_view value);
    std::string LowerContentType() const;
    // The content type the part is read as: its own in lower case; without
    // one text/plain, inside a multipart/digest message/rfc822.
    std::string EffectiveContentType() const;
    std::string BoundaryParam() const;

    // Replaces headers, body and children by those of `source` (up to its
    // first NUL). Raises Error when the part belongs to no message. The
    // text is copied once; a string handed over is kept without a copy.
    void ParseSource(std::string_view source, bool parseHeader);
    void ParseSource(std::string&& source, bool parseHeader);
    // The same for a whole file, kept without a copy while the part lives;
    // whoever hands it over asks the file whether it stayed intact before
    // passing on anything that came of it.
    void ParseSource(std::shared_ptr<const FileText> file, bool parseHeader);
    void ParseString(std::string_view source) { ParseSource(source, true); }
    void ParseString(std::string&& source) { ParseSource(std::move(source), true); }
    void ParseString(const char* source) { ParseSource(std::string_view(source), true); }
    void ParseFile(std::shared_ptr<const FileText> file) { ParseSource(std::move(file), true); }

    // Fills DecodedData from Body by the transfer encoding, once per parse.
    bool DecodeBody();
    // The bytes DecodedData() holds after DecodeBody(), handed to `sink`
    // piece by piece: a base64 body not decoded yet is decoded a piece at a
    // time and nothing of it is kept, so that a large attachment is counted,
    // hashed or written without being held whole. Any other body is decoded
    // (and kept) as DecodeBody() does, and handed over in one piece.
    void ForEachDecodedPiece(const PieceSink& sink);
    // The number of those bytes, found the same way.
    std::size_t DecodedSize();
    // Body becomes the base64 form of DecodedData.
    void EncodeBase64();

    std::string_view Body() const { return FBody; }
    // The body itself where its transfer encoding changes nothing (7bit,
    // 8bit, binary or none): no copy of a body that is only read.
    std::string_view DecodedData() const
    {
        return FDecodedIsBody ? FBody : FDecodedInBuffer ? FDecodedBytes.View() : std::string_view(FDecoded);
    }
    const std::string& ParentBoundary() const { return FParentBoundary; }
    TMailMessage* OwnerMessage() const { return FOwnerMessage; }
    TMailPart* ParentPart() const { return FParentPart; }
    const std::vector<std::unique_ptr<TMailPart>>& SubParts() const { return FSubParts; }
    bool IsDecoded() const { return FIsDecoded; }
    bool Embedded() const { return FEmbedded; }
    void SetEmbedded(bool embedded) { FEmbedded = embedded; }

protected:
    void SetOwnerMessage(TMailMessage* message) { FOwnerMessage = message; }
    // Where the parse of this part reports its progress; parts inside a
    // message report none (the message reports for the whole source).
    virtual std::function<void(long long total, long long current)> ProgressReport() { return {}; }

private:
    enum class BodyKind { Single, Multipart, UUEncoded };

    void Reset();
    bool HasBase64Body() const;
    // Parses `source`, a range of text this part or an ancestor keeps.
    void ParseText(std::string_view source, bool parseHeader);
    int HeaderIndex(std::string_view name) const;
    BodyKind KindOfBody() const;
    TMailPart& AddChild();

    // The children from the pieces the splits of BodySplit.h return.
    void AddMultipartChildren(std::string_view source, const std::vector<struct TextRange>& ranges);
    void AddUUEncodedChildren(std::string_view source, const struct UUEncodedBody& body);

    TLineList FHeaders;
    std::string FOwnText;  // the source given to this part, which its body and its children's are ranges of
    std::shared_ptr<const FileText> FOwnFile;  // or the file given to it
    std::string FOwnBody;  // a body made here (EncodeBase64)
    std::string_view FBody;
    std::string FDecoded;
    ByteBuffer FDecodedBytes;  // a base64 body decoded (large ones are not cleared before they are written)
    std::string FParentBoundary;
    TMailMessage* FOwnerMessage = nullptr;
    std::vector<std::unique_ptr<TMailPart>> FSubParts;
    TMailPart* FParentPart = nullptr;
    bool FIsDecoded = false;
    bool FDecodedIsBody = false;
    bool FDecodedInBuffer = false;
    bool FEmbedded = false;
    int FDepth = 0;
};

}  // namespace vellumine
