// vellumine-mimebench [ROUNDS]: parse, part search and body decoding of
// every part over generated messages: one with a 10 MB base64 attachment,
// and 500 small multipart/alternative messages (a plain-text part and a
// quoted-printable HTML part, about 17 KB each). Prints MB/s per set and
// over the whole corpus (best of ROUNDS, default 5).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "mime/Base64.h"
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

}  // namespace

int main(int argc, char** argv)
{
    const char* usage = "vellumine-mimebench [ROUNDS]";
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
    Report("large (10 MB base64 attachment)", large, rounds);
    Report("small (500 x multipart/alternative)", small, rounds);
    Report("whole corpus", all, rounds);
    return 0;
}
