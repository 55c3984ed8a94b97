// vellumine-cli: the store reader and the output writers from the command
// line, for scripts and tests.

#include <CLI/CLI.hpp>
#include <clocale>
#include <iostream>

#include "cli/ParseCommand.h"
#include "cli/StoreCommands.h"
#include "platform/Error.h"

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    using namespace vellumine::cli;

    CLI::App app{"Vellumine: Outlook-Express-Postablagen lesen", "vellumine-cli"};
    app.require_subcommand(1);
    CliOptions options;
    app.add_option("--store", options.storeFolder, "Ordner der Postablage (statt des Registry-Eintrags)");

    auto* folders = app.add_subcommand("folders", "Ordner aus folders.dbx als JSON");
    folders->callback([&] { PrintFolders(options, std::cout); });

    std::string fileName;
    auto* list = app.add_subcommand("list", "Nachrichten einer Ordnerdatei als JSON");
    list->add_option("FILE", fileName, "Ordnerdatei der Postablage")->required();
    list->callback([&] { PrintMessageList(options, fileName, std::cout); });

    std::int32_t offset = 0;
    auto* source = app.add_subcommand("source", "Quelltext einer Nachricht, Byte für Byte");
    source->add_option("FILE", fileName, "Ordnerdatei der Postablage")->required();
    source->add_option("OFFSET", offset, "Position des ersten Blocks (SourceOffset)")->required();
    source->callback([&] { WriteMessageSource(options, fileName, offset, std::cout); });

    std::string bodyChoice;
    auto* parse = app.add_subcommand("parse", "MIME-Aufbau einer Nachricht als JSON");
    parse->add_option("FILE", fileName, "Quelltext der Nachricht, - für die Standardeingabe")->required();
    parse->add_option("--body", bodyChoice, "nur den Text- oder HTML-Teil ausgeben")
        ->check(CLI::IsMember({"text", "html"}));
    parse->callback([&] { ParseMessage(fileName, bodyChoice, std::cout); });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << e.what() << '\n';
        return 1;
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
