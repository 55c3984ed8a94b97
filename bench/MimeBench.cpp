// vellumine-mimebench [ROUNDS]: parse, part search and body decoding of
// every part over generated messages: one with a 10 MB base64 attachment,
// and 500 small multipart/alternative messages (a plain-text part and a
// quoted-printable HTML part, about 17 KB each). Prints MB/s per set and
// over the whole corpus (best of ROUNDS, default 5), in two modes:
// - in memory: the sources held in memory, every round in this process
//   (its memory warm from the round before);
// - from files: the messages written to files first; each round runs in a
//   fresh process (this program started again with --round LIST) that reads
//   each file as `vellumine-cli parse` does (a large one mapped, a small one
//   copied) and handles it as a preview does, so page faults and first-touch
//   copies count as they do for a user.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <filesystem>

#include "mime/Base64.h"
#include "platform/FileAccess.h"
#include "platform/FileText.h"
#include "mime/MailMessage.h"
#include "mime/QuotedPrintable.h"
#include "ToolArguments.h"

namespace {

using namespace vellumine;

std::string LargeMessage()
{
    std::mt19937 random(3);
    std::string data(10 * 1024 * 1024, '\0');
    for (char& c : data)
        c = static_cast<char>(random());
    return "From: a@example.de\r\nSubject: gross\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"=_big\"\r\n\r\n"
           "--=_big\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\nAnbei.\r\n"
           "--=_big\r\nContent-Type: application/octet-stream; name=\"daten.bin\"\r\n"
           "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment\r\n\r\n" +
           Base64EncodeStream(data) + "--=_big--\r\n";
}

std::string SmallMessage(int index)
{
    std::mt19937 random(static_cast<unsigned>(index));
    const char* words[] = {"Treffen", "Grüße", "Bäckerei", "Termin", "Einladung", "Rechnung", "über", "morgen"};
    std::string text;
    while (text.size() < 5500) {
        text += words[random() % 8];
        text += (random() % 12 == 0) ? "\r\n" : " ";
    }
    std::string html = "<html><body><p style=\"font-family: Arial\">";
    while (html.size() < 9000) {
        html += words[random() % 8];
        html += (random() % 15 == 0) ? "</p>\r\n<p>" : " ";
    }
    html += "</p></body></html>\r\n";
    return "From: b@example.de\r\nSubject: klein " + std::to_string(index) +
           "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"=_alt\"\r\n\r\n"
           "--=_alt\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           text + "\r\n--=_alt\r\nContent-Type: text/html; charset=iso-8859-1\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
           QPEncode(html, false) + "--=_alt--\r\n";
}

void DecodeAll(TMailPart& part)
{
    part.DecodeBody();
    for (const auto& child : part.SubParts())
        DecodeAll(*child);
}

std::size_t Process(const std::vector<std::string>& messages)
{
    std::size_t decoded = 0;
    for (const std::string& source : messages) {
        TMailMessage message;
        message.ParseString(source);
        message.IndexParts();
        DecodeAll(message);
        decoded += message.TextBodyLines.Count() + message.HtmlBodyLines.Count();
    }
    return decoded;
}

double BestSeconds(const std::vector<std::string>& messages, int rounds)
{
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const std::size_t keep = Process(messages);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (keep == static_cast<std::size_t>(-1))
            std::puts("");
        best = std::min(best, took.count());
    }
    return best;
}

// One round over the files named in `listFile`, one path a line: each read,
// parsed, searched and decoded as a preview does. Prints the seconds taken.
int RunRound(const std::string& listFile)
{
    const auto list = ReadFileBytes(listFile);
    if (!list)
        return 1;
    std::vector<std::string> files;
    std::size_t from = 0;
    for (std::size_t end; (end = list->find('\n', from)) != std::string::npos; from = end + 1)
        files.push_back(list->substr(from, end - from));
    const auto start = std::chrono::steady_clock::now();
    std::size_t keep = 0;
    for (const std::string& file : files) {
        auto source = FileText::Read(file);
        if (!source)
            return 1;
        TMailMessage message;
        message.ParseFile(source);
        message.IndexParts();
        DecodeAll(message);
        if (!source->Intact())
            return 1;
        keep += message.TextBodyLines.Count();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %zu\n", seconds, keep);
    return 0;
}

// One round in a fresh process: this program started anew on the list of
// files. The seconds it took, or a negative value when it failed.
double FreshProcessSeconds(const std::string& listFile)
{
    std::error_code failed;
    const std::string program = std::filesystem::read_symlink("/proc/self/exe", failed).string();
    const std::string command = "'" + program + "' --round '" + listFile + "'";
    FILE* child = ::popen(command.c_str(), "r");
    if (!child)
        return -1;
    double seconds = -1;
    if (std::fscanf(child, "%lf", &seconds) != 1)
        seconds = -1;
    return ::pclose(child) == 0 ? seconds : -1;
}

// Writes the messages as files and their list beside them; the list's path.
std::string WriteFiles(const std::string& folder, const std::vector<std::string>& messages, const std::string& prefix)
{
    std::string list;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::string file = folder + "/" + prefix + std::to_string(i) + ".eml";
        WriteFileReplacing(file, messages[i]);
        list += file + "\n";
    }
    WriteFileReplacing(folder + "/" + prefix + ".list", list);
    return folder + "/" + prefix + ".list";
}

std::size_t Bytes(const std::vector<std::string>& messages)
{
    std::size_t total = 0;
    for (const auto& m : messages)
        total += m.size();
    return total;
}

void Report(const char* label, const std::vector<std::string>& messages, int rounds)
{
    const double seconds = BestSeconds(messages, rounds);
    const double megabytes = static_cast<double>(Bytes(messages)) / 1e6;
    std::printf("%-34s %8.2f MB in %7.4f s  %8.1f MB/s\n", label, megabytes, seconds, megabytes / seconds);
}

void ReportFromFiles(const char* label, const std::vector<std::string>& messages, const std::string& listFile, int rounds)
{
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const double seconds = FreshProcessSeconds(listFile);
        if (seconds < 0) {
            std::printf("%-34s failed\n", label);
            return;
        }
        best = std::min(best, seconds);
    }
    const double megabytes = static_cast<double>(Bytes(messages)) / 1e6;
    std::printf("%-34s %8.2f MB in %7.4f s  %8.1f MB/s\n", label, megabytes, best, megabytes / best);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* usage = "vellumine-mimebench [ROUNDS]";
    if (argc == 3 && std::string(argv[1]) == "--round")
        return RunRound(argv[2]);
    const auto asked = argc > 1 ? vellumine::tools::PositiveNumber(argv[1]) : std::optional<unsigned long>(5);
    if (argc > 2 || vellumine::tools::RefusesOptions(argc, argv, usage) || !asked) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    const int rounds = static_cast<int>(*asked);
    const std::vector<std::string> large = {LargeMessage()};
    std::vector<std::string> small;
    for (int i = 0; i < 500; ++i)
        small.push_back(SmallMessage(i));
    std::vector<std::string> all = large;
    all.insert(all.end(), small.begin(), small.end());
    std::printf("average small message: %zu bytes\n", Bytes(small) / small.size());
    std::printf("in memory, best of %d rounds:\n", rounds);
    Report("large (10 MB base64 attachment)", large, rounds);
    Report("small (500 x multipart/alternative)", small, rounds);
    Report("whole corpus", all, rounds);

    char folderTemplate[] = "/tmp/vellumine-mimebench-XXXXXX";
    if (!::mkdtemp(folderTemplate)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = folderTemplate;
    const std::string largeFiles = WriteFiles(folder, large, "large");
    const std::string smallFiles = WriteFiles(folder, small, "small");
    const std::string allFiles = folder + "/all.list";
    WriteFileReplacing(allFiles, *ReadFileBytes(largeFiles) + *ReadFileBytes(smallFiles));
    std::printf("from files, a fresh process per round, best of %d rounds:\n", rounds);
    ReportFromFiles("large (10 MB base64 attachment)", large, largeFiles, rounds);
    ReportFromFiles("small (500 x multipart/alternative)", small, smallFiles, rounds);
    ReportFromFiles("whole corpus", all, allFiles, rounds);
    std::filesystem::remove_all(folder);
    return 0;
}
