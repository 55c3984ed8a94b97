#include "StoreDescription.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "StoreWriter.h"
#include "platform/Charset.h"

namespace vellumine::storewriter {
namespace {

namespace fs = std::filesystem;

std::string ReadFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string AnsiText(const nlohmann::json& object, const char* key)
{
    return Utf8ToWindows1252(object.value(key, std::string()));
}

MessageDescription MessageFromJson(const nlohmann::json& item, const fs::path& base)
{
    MessageDescription message;
    message.source = ReadFileBytes(base / item.at("source").get<std::string>());
    if (item.contains("date"))
        message.date = FileTimeFromIso(item.at("date").get<std::string>());
    message.sender = AnsiText(item, "from");
    message.recipient = AnsiText(item, "to");
    message.subject = AnsiText(item, "subject");
    return message;
}

}  // namespace

void WriteStoreFromDescription(const std::string& descriptionPath, const std::string& outputFolder)
{
    const fs::path base = fs::path(descriptionPath).parent_path();
    const auto description = nlohmann::json::parse(ReadFileBytes(descriptionPath));
    fs::create_directories(outputFolder);
    std::vector<StoreRecordDescription> folderRecords;
    for (const auto& item : description.at("folders")) {
        FolderDescription folder;
        folder.id = item.at("id").get<std::int32_t>();
        folder.parentId = item.value("parent", -1);
        folder.name = AnsiText(item, "name");
        folder.fileName = AnsiText(item, "file");
        folder.special = item.value("special", false);
        folderRecords.push_back(FolderRecord(folder));
        if (folder.fileName.empty())
            continue;
        std::vector<StoreRecordDescription> messages;
        for (const auto& message : item.value("messages", nlohmann::json::array()))
            messages.push_back(MessageRecord(MessageFromJson(message, base)));
        const std::string onDisk = item.value("fileOnDisk", folder.fileName);
        WriteFileBytes((fs::path(outputFolder) / onDisk).string(), BuildStoreFile(messages).bytes);
    }
    WriteFileBytes((fs::path(outputFolder) / "folders.dbx").string(), BuildStoreFile(folderRecords).bytes);
}

}  // namespace vellumine::storewriter
