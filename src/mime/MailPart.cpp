#include "mime/MailPart.h"

#include <algorithm>

#include "mime/Base64.h"
#include "mime/BodySplit.h"
#include "mime/HeaderText.h"
#include "mime/LineWalker.h"
#include "mime/MailMessage.h"
#include "mime/MailPartProgress.h"
#include "mime/MimeTypes.h"
#include "mime/QuotedPrintable.h"
#include "mime/UUDecode.h"
#include "platform/Error.h"
#include "platform/FileText.h"

namespace vellumine {
namespace {

std::string_view UpToNul(std::string_view text)
{
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

TMailPart::TMailPart(TMailMessage* ownerMessage, TMailPart* parentPart)
    : FOwnerMessage(ownerMessage), FParentPart(parentPart), FDepth(parentPart ? parentPart->FDepth + 1 : 0)
{
}

TMailPart::~TMailPart() = default;

int TMailPart::HeaderIndex(std::string_view name) const
{
    return FindHeaderLine(&FHeaders, std::string(name) + ":", 0);
}

std::string TMailPart::GetHeader(std::string_view name) const
{
    const int index = HeaderIndex(name);
    if (index < 0)
        return {};
    std::string value = TrimSpaces(ExtractHeaderValue(FHeaders[static_cast<std::size_t>(index)]));
    if (value.size() > 2 && IsQuote(value.front()) && IsQuote(value.back()))
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string TMailPart::GetHeaderParam(std::string_view name, std::string_view param) const
{
    const int index = HeaderIndex(name);
    if (index < 0)
        return {};
    std::string value = TrimSpaces(ExtractHeaderParam(FHeaders[static_cast<std::size_t>(index)], param));
    if (value.size() > 2 && IsQuote(value.front()) && IsQuote(value.back()))
        value = value.substr(1, value.size() - 2);
    return value;
}

bool TMailPart::HasHeader(std::string_view name) const
{
    return HeaderIndex(name) >= 0;
}

void TMailPart::SetHeader(std::string_view name, std::string_view value)
{
    int index = HeaderIndex(name);
    if (value.empty()) {
        if (index >= 0)
            FHeaders.Delete(static_cast<std::size_t>(index));
        return;
    }
    if (index < 0) {
        FHeaders.Add(std::string(name) + ": ");
        index = static_cast<int>(FHeaders.Count() - 1);
    }
    auto& line = FHeaders[static_cast<std::size_t>(index)];
    line = ReplaceHeaderValue(line, value);
}

void TMailPart::SetHeaderParam(std::string_view name, std::string_view param, std::string_view value)
{
    int index = HeaderIndex(name);
    if (index < 0) {
        FHeaders.Add(std::string(name) + ": ");
        index = static_cast<int>(FHeaders.Count() - 1);
    }
    auto& line = FHeaders[static_cast<std::size_t>(index)];
    line = ReplaceHeaderParam(line, param, value);
}

std::string TMailPart::LowerContentType() const
{
    return LowerAscii(GetHeader("Content-Type"));
}

std::string TMailPart::EffectiveContentType() const
{
    std::string type = LowerContentType();
    if (!type.empty())
        return type;
    if (FParentPart && FParentPart->LowerContentType() == "multipart/digest")
        return "message/rfc822";
    return "text/plain";
}

std::string TMailPart::BoundaryParam() const
{
    return GetHeaderParam("Content-Type", "boundary");
}

void TMailPart::Reset()
{
    FSubParts.clear();
    FHeaders.Clear();
    FBody = {};
    FOwnBody.clear();
    FDecoded.clear();
    FDecodedBytes.Release();
    FDecodedIsBody = false;
    FDecodedInBuffer = false;
    FIsDecoded = false;
    FEmbedded = false;
    FOwnerMessage->FNeedIndexParts = true;
}

TMailPart& TMailPart::AddChild()
{
    FSubParts.push_back(std::make_unique<TMailPart>(FOwnerMessage, this));
    return *FSubParts.back();
}

TMailPart::BodyKind TMailPart::KindOfBody() const
{
    if (LowerContentType().substr(0, 10) == "multipart/")
        return FDepth < kMaxNestingDepth ? BodyKind::Multipart : BodyKind::Single;
    // A part of a digest without a type is a message: its lines are its own,
    // not uuencoded blocks of this part.
    if (HasHeader("Content-Type") || FDepth >= kMaxNestingDepth || EffectiveContentType() == "message/rfc822")
        return BodyKind::Single;
    return BodyKind::UUEncoded;
}

void TMailPart::ParseSource(std::string_view source, bool parseHeader)
{
    ParseSource(std::string(UpToNul(source)), parseHeader);
}

void TMailPart::ParseSource(std::string&& source, bool parseHeader)
{
    if (!FOwnerMessage)
        throw Error(FormatMessage("%s: TMailPart must be owned by a TMailMessage", Name));
    // Taken over before it is parsed (the children viewing the old text go
    // in ParseText before anything reads them).
    FOwnText = std::move(source);
    FOwnFile.reset();
    ParseText(UpToNul(FOwnText), parseHeader);
}

void TMailPart::ParseSource(std::shared_ptr<const FileText> file, bool parseHeader)
{
    if (!FOwnerMessage)
        throw Error(FormatMessage("%s: TMailPart must be owned by a TMailMessage", Name));
    FOwnFile = std::move(file);
    FOwnText = std::string();
    ParseText(FOwnFile ? UpToNul(FOwnFile->Text()) : std::string_view(), parseHeader);
}

void TMailPart::ParseText(std::string_view source, bool parseHeader)
{
    Reset();
    ParseProgress progress(ProgressReport(), source.size());
    LineWalker lines(source);
    bool more = lines.Next();

    if (parseHeader) {
        std::vector<std::string> fields;
        while (more && !lines.Line().empty()) {
            const std::string_view line = lines.Line();
            if (IsBlank(line[0]) && !fields.empty())
                fields.back().append(" ").append(TrimLeftSpaces(line.substr(1)));
            else
                fields.emplace_back(line);
            more = lines.Next();
            progress.Report(lines);
        }
        for (auto& field : fields)
            FHeaders.Add(NormalizeHeaderLine(field));
        if (more)
            more = lines.Next();  // past the empty line
    }

    const BodyKind kind = KindOfBody();
    const std::string delimiter = kind == BodyKind::Multipart ? "--" + BoundaryParam() : "begin 6";
    const std::size_t bodyStart = more ? lines.Start() : source.size();
    if (kind == BodyKind::Single) {
        // Nothing in a single part's body ends it: no walk over its lines.
        FBody = source.substr(bodyStart);
        progress.Finish();
        return;
    }
    bool stoppedAtDelimiter = false;
    while (more) {
        if (lines.Line().substr(0, delimiter.size()) == delimiter) {
            stoppedAtDelimiter = true;
            break;
        }
        more = lines.Next();
        progress.Report(lines);
    }
    const std::size_t bodyEnd = stoppedAtDelimiter ? lines.Start() : source.size();
    FBody = source.substr(bodyStart, bodyEnd - bodyStart);

    const LineReport report = [&progress](const LineWalker& walker) { progress.Report(walker); };
    if (kind == BodyKind::Multipart)
        AddMultipartChildren(source, SplitMultipartBody(lines, BoundaryParam(), stoppedAtDelimiter, report));
    else if (kind == BodyKind::UUEncoded)
        AddUUEncodedChildren(source, SplitUUEncodedBody(lines, stoppedAtDelimiter, report));
    progress.Finish();
}

void TMailPart::AddMultipartChildren(std::string_view source, const std::vector<TextRange>& ranges)
{
    const std::string boundary = BoundaryParam();
    for (const TextRange& range : ranges) {
        TMailPart& child = AddChild();
        child.ParseText(source.substr(range.start, range.length), true);
        child.FParentBoundary = boundary;
    }
}

// The text around the blocks (before, between and after them, in order)
// becomes a text part, each block a file part, and this part a
// multipart/mixed.
void TMailPart::AddUUEncodedChildren(std::string_view source, const UUEncodedBody& body)
{
    if (!body.anyBegin)
        return;
    const std::string& charset = FOwnerMessage->Charset;
    const std::string blockBoundary = MakeBoundary();
    std::string plainText(UpToNul(FBody));
    for (const TextRange& range : body.text)
        plainText += source.substr(range.start, range.length);
    // The text is the child's body as it stands: a "begin" line of a block
    // left open is no block of the child's.
    TMailPart& text = AddChild();
    text.FOwnText = QPEncode(plainText, false);
    text.FBody = text.FOwnText;
    text.FParentBoundary = blockBoundary;
    text.SetHeader("Content-Type", "text/plain");
    text.SetHeaderParam("Content-Type", "charset", "\"" + charset + "\"");
    text.SetHeader("Content-Transfer-Encoding", "quoted-printable");
    SetHeader("Content-Type", "");
    SetHeader("Content-Type", "multipart/mixed");
    SetHeaderParam("Content-Type", "boundary", "\"" + blockBoundary + "\"");
    for (const UUEncodedBlock& block : body.blocks) {
        TMailPart& file = AddChild();
        file.FDecoded = block.bytes;
        file.SetHeader("Content-Type", MimeTypeOfFile(block.fileName));
        file.EncodeBase64();
        file.FParentBoundary = blockBoundary;
        file.SetHeader("Content-Transfer-Encoding", "base64");
        file.SetHeader("Content-Disposition", "attachment");
        const std::string quotedName = "\"" + EncodeHeaderWord(block.fileName, charset) + "\"";
        file.SetHeaderParam("Content-Type", "name", quotedName);
        file.SetHeaderParam("Content-Disposition", "filename", quotedName);
        file.SetHeader("X-Vellumine-Attachment", quotedName);
        file.SetHeaderParam("X-Vellumine-Attachment", "embedded", "no");
    }
}

bool TMailPart::DecodeBody()
{
    if (FIsDecoded)
        return true;
    FIsDecoded = true;
    if (FBody.empty())
        return true;
    FDecoded.clear();
    const std::string encoding = LowerAscii(GetHeader("Content-Transfer-Encoding"));
    if (encoding == "quoted-printable") {
        FDecoded = QPDecode(UpToNul(FBody));
    } else if (HasBase64Body()) {
        Base64Decode(FBody, FDecodedBytes);
        FDecodedInBuffer = true;
    } else if (encoding == "uucode" || encoding == "x-uuencode") {
        LineWalker lines(FBody);
        while (lines.Next())
            UUDecodeLine(TrimSpaces(lines.Line()), FDecoded);
        EncodeBase64();
    } else {
        FDecodedIsBody = true;
    }
    return true;
}

bool TMailPart::HasBase64Body() const
{
    return LowerAscii(GetHeader("Content-Transfer-Encoding")) == "base64";
}

void TMailPart::ForEachDecodedPiece(const PieceSink& sink)
{
    if (FIsDecoded || !HasBase64Body()) {
        DecodeBody();
        sink(DecodedData());
        return;
    }
    // A megabyte of text at a time: little memory, few calls. Room for the
    // three characters of a group a piece may leave to the next one too.
    constexpr std::size_t kTextPiece = std::size_t{1} << 20;
    Base64Decoder decoder;
    std::string bytes(decoder.RoomFor(std::min(FBody.size(), kTextPiece) + 3), '\0');
    for (std::size_t at = 0; at < FBody.size(); at += kTextPiece) {
        const std::size_t decoded =
            decoder.Feed(FBody.substr(at, kTextPiece), reinterpret_cast<unsigned char*>(bytes.data()));
        if (decoded > 0)
            sink(std::string_view(bytes.data(), decoded));
    }
}

std::size_t TMailPart::DecodedSize()
{
    std::size_t size = 0;
    ForEachDecodedPiece([&size](std::string_view piece) { size += piece.size(); });
    return size;
}

void TMailPart::EncodeBase64()
{
    if (FDecodedIsBody || FDecodedInBuffer) {
        FDecoded.assign(DecodedData());  // the body is about to change
        FDecodedBytes.Release();
        FDecodedIsBody = false;
        FDecodedInBuffer = false;
    }
    FOwnBody = Base64EncodeStream(FDecoded);
    FBody = FOwnBody;
    SetHeader("Content-Transfer-Encoding", "base64");
}

}  // namespace vellumine
