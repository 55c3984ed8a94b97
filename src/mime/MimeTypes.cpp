#include "mime/MimeTypes.h"

#include <fstream>
#include <sstream>
#include <unordered_map>

#include "mime/HeaderText.h"

namespace vellumine {
namespace {

using TypeTable = std::unordered_map<std::string, std::string>;  // ".ext" -> type

const TypeTable& BuiltInTypes()
{
    static const TypeTable table = {
        {".txt", "text/plain"},       {".htm", "text/html"},         {".html", "text/html"},
        {".css", "text/css"},         {".csv", "text/csv"},          {".xml", "text/xml"},
        {".rtf", "application/rtf"},  {".eml", "message/rfc822"},    {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},      {".jpe", "image/jpeg"},        {".gif", "image/gif"},
        {".png", "image/png"},        {".bmp", "image/bmp"},         {".tif", "image/tiff"},
        {".tiff", "image/tiff"},      {".ico", "image/x-icon"},      {".svg", "image/svg+xml"},
        {".pdf", "application/pdf"},  {".zip", "application/zip"},   {".gz", "application/gzip"},
        {".doc", "application/msword"}, {".xls", "application/vnd.ms-excel"},
        {".ppt", "application/vnd.ms-powerpoint"}, {".wav", "audio/x-wav"}, {".mp3", "audio/mpeg"},
        {".mid", "audio/midi"},       {".avi", "video/x-msvideo"},   {".mpg", "video/mpeg"},
        {".mpeg", "video/mpeg"},      {".exe", "application/x-msdownload"},
    };
    return table;
}

// /etc/mime.types: "type ext ext ..." per line, "#" starts a comment.
TypeTable ReadSystemTypes()
{
    TypeTable table;
    std::ifstream in("/etc/mime.types");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string type, extension;
        words >> type;
        while (words >> extension)
            table.emplace("." + LowerAscii(extension), type);
    }
    return table;
}

const TypeTable& SystemTypes()
{
    static const TypeTable table = ReadSystemTypes();
    return table;
}

// The extension a type's files get where several are in use.
const std::unordered_map<std::string, std::string>& PreferredExtensions()
{
    static const std::unordered_map<std::string, std::string> table = {
        {"text/plain", ".txt"},  {"text/html", ".htm"},  {"image/jpeg", ".jpg"}, {"image/pjpeg", ".jpg"},
        {"image/tiff", ".tif"},  {"message/rfc822", ".eml"}, {"video/mpeg", ".mpg"},
        {"application/octet-stream", ".bin"},
    };
    return table;
}

std::string FirstExtensionOf(const TypeTable& table, const std::string& type)
{
    std::string best;  // the shortest, then the first in order: the table is unordered
    for (const auto& [extension, entryType] : table)
        if (entryType == type && (best.empty() || extension.size() < best.size() ||
                                  (extension.size() == best.size() && extension < best)))
            best = extension;
    return best;
}

}  // namespace

std::string ExtensionOfMimeType(std::string_view type)
{
    const std::string lower = LowerAscii(type);
    const auto preferred = PreferredExtensions().find(lower);
    if (preferred != PreferredExtensions().end())
        return preferred->second;
    for (const TypeTable* table : {&BuiltInTypes(), &SystemTypes()}) {
        const std::string extension = FirstExtensionOf(*table, lower);
        if (!extension.empty())
            return extension;
    }
    return {};
}

std::string FileExtension(std::string_view fileName)
{
    const auto dot = fileName.rfind('.');
    const auto delimiter = fileName.find_last_of("\\/:");
    if (dot == std::string_view::npos || (delimiter != std::string_view::npos && dot < delimiter))
        return {};
    return std::string(fileName.substr(dot));
}

std::string MimeTypeOfFile(std::string_view fileName)
{
    const std::string extension = LowerAscii(FileExtension(fileName));
    if (extension.empty())
        return "application/octet-stream";
    for (const TypeTable* table : {&SystemTypes(), &BuiltInTypes()}) {
        const auto found = table->find(extension);
        if (found != table->end())
            return found->second;
    }
    return "application/octet-stream";
}

}  // namespace vellumine
