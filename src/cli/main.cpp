// vellumine-cli: the store reader and the output writers from the command
// line, for scripts and tests.

#include <CLI/CLI.hpp>
#include <clocale>
#include <iostream>

#include "cli/AttachmentsCommand.h"
#include "cli/CommandLineDocs.h"
#include "cli/MigrateCommand.h"
#include "cli/OutputCommands.h"
#include "cli/ParseCommand.h"
#include "cli/SearchCommands.h"
#include "cli/StoreCommands.h"
#include "platform/Error.h"
#include "platform/TerminalText.h"

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    using namespace vellumine::cli;
    using vellumine::ExportFormat;

    CLI::App app{"Vellumine: Outlook-Express-Postablagen lesen", "vellumine-cli"};
    AddProgramFlags(app);
    app.require_subcommand(1);
    CliOptions options;
    app.add_option("--store", options.storeFolder, "Ordner der Postablage (statt des Registry-Eintrags)");

    auto* folders = app.add_subcommand("folders", "Ordner aus folders.dbx als JSON");
    folders->callback([&] { PrintFolders(options, std::cout); });

    int status = 0;
    std::string fileName;
    auto* list = app.add_subcommand("list", "Nachrichten einer Ordnerdatei als JSON");
    list->add_option("FILE", fileName, "Ordnerdatei der Postablage")->required();
    bool withReport = false;
    bool salvage = false;
    list->add_flag("--report", withReport, "dazu, was eine beschädigte Datei überging und warum");
    list->add_flag("--salvage", salvage, "auch die Nachrichten, die eine Suche in der ganzen Datei neben dem Index findet");
    list->callback([&] { status = PrintMessageList(options, fileName, std::cout, withReport, salvage); });

    std::uint32_t offset = 0;
    auto* source = app.add_subcommand("source", "Quelltext einer Nachricht, Byte für Byte");
    source->add_option("FILE", fileName, "Ordnerdatei der Postablage")->required();
    source->add_option("OFFSET", offset, "Position des ersten Blocks (SourceOffset)")->required();
    source->callback([&] { WriteMessageSource(options, fileName, offset, std::cout); });

    std::string bodyChoice;
    auto* parse = app.add_subcommand("parse", "MIME-Aufbau einer Nachricht als JSON");
    parse->add_option("FILE", fileName, "Quelltext der Nachricht, - für die Standardeingabe")->required();
    parse->add_option("--body", bodyChoice,
                      "nur den Text- oder HTML-Teil ausgeben, die Seite (page, ohne Design) oder den Text "
                      "des Textexports (plain)")
        ->check(CLI::IsMember({"text", "html", "page", "plain"}));
    parse->callback([&] { ParseMessage(fileName, bodyChoice, std::cout); });

    std::string outputFolder;
    PageOptions page;
    std::string fields;
    std::string templateName;
    const auto addPageOptions = [&](CLI::App* command) {
        command->add_flag("--no-design", [&](std::int64_t) { page.withDesign = false; },
                          "ohne Kopfblock und Design-Vorlage");
        command->add_option("--template", templateName, "Design-Vorlage aus vorlagen/");
        command->add_option("--fields", fields, "Kopfzeilen: von,an,datum,betreff");
    };
    auto* pageCommand = app.add_subcommand("page", "Seite einer Nachricht wie in der Vorschau");
    pageCommand->add_option("FILE", fileName, "Ordnerdatei der Postablage")->required();
    pageCommand->add_option("OFFSET", offset, "Position des ersten Blocks (SourceOffset)")->required();
    pageCommand->add_option("OUTDIR", outputFolder, "Zielordner für mail.htm und die Bilder")->required();
    addPageOptions(pageCommand);
    // An option given empty is a choice too: no field, no such template.
    const auto takePageChoices = [&](CLI::App* command) {
        if (!fields.empty() || command->count("--fields"))
            page.fields = fields;
        if (command->count("--template"))
            page.templateName = templateName;
    };
    pageCommand->callback([&] {
        takePageChoices(pageCommand);
        ComposePage(options, fileName, offset, outputFolder, page);
    });

    BatchOptions batch;
    const auto addBatchOptions = [&](CLI::App* command) {
        command->add_option("--offsets", batch.offsets, "nur diese Nachrichten (SourceOffset)")->delimiter(',');
        command->add_flag("--no-date", [&](std::int64_t) { batch.withDate = false; }, "Datum nicht im Dateinamen");
        command->add_flag("--salvage", batch.salvage, "auch die Nachrichten, die eine Suche in der ganzen Datei findet");
        command->add_flag("--fragments", batch.fragments, "mit --salvage: auch Bruchstücke, in den Ordner Fragmente");
    };
    auto* save = app.add_subcommand("save", "Nachrichten als .eml-Dateien speichern");
    save->add_option("FILE", fileName, "Ordnerdatei der Postablage")->required();
    save->add_option("OUTDIR", outputFolder, "Zielordner")->required();
    addBatchOptions(save);
    save->callback([&] { status = SaveMessages(options, fileName, outputFolder, batch); });

    std::string format = "html";
    auto* exportCommand = app.add_subcommand("export", "Nachrichten als HTML- oder Textdateien exportieren");
    exportCommand->add_option("FILE", fileName, "Ordnerdatei der Postablage")->required();
    exportCommand->add_option("OUTDIR", outputFolder, "Zielordner")->required();
    exportCommand->add_option("--format", format, "html, text oder mixed")
        ->check(CLI::IsMember({"html", "text", "mixed"}));
    exportCommand->add_flag("--raw", page.rawText, "Textdateien mit den Bytes der Nachricht statt in UTF-8");
    exportCommand->add_flag("--attachments", page.withAttachments,
                            "die Anlagen jeder Nachricht in einen Ordner \"<Dateiname> Anlagen\" neben ihrer "
                            "Datei, verlinkt aus der Liste der Seite");
    addBatchOptions(exportCommand);
    addPageOptions(exportCommand);
    exportCommand->callback([&] {
        takePageChoices(exportCommand);
        const ExportFormat chosen = format == "text"    ? ExportFormat::AllText
                                    : format == "mixed" ? ExportFormat::Mixed
                                                        : ExportFormat::AllHtml;
        status = ExportMessages(options, fileName, outputFolder, batch, chosen, page);
    });

    std::string migrationFormat = "mboxrd";
    bool resume = false;
    auto* migrate = app.add_subcommand("migrate", "Die ganze Postablage als mbox, Thunderbird-Ordner, Maildir oder .eml-Baum, geprüft");
    migrate->add_option("--format", migrationFormat, "mboxrd, thunderbird, maildir oder eml")
        ->check(CLI::IsMember({"mboxrd", "thunderbird", "maildir", "eml"}));
    migrate->add_option("OUTDIR", outputFolder, "Zielordner (leer, außer mit --resume)")->required();
    migrate->add_flag("--resume", resume, "einen früheren Lauf fortsetzen: Geschriebenes bleibt");
    bool migrateSalvage = false;
    migrate->add_flag("--salvage", migrateSalvage,
                      "auch die Nachrichten, die eine Suche in jeder Ordnerdatei neben dem Index findet, in den "
                      "Unterordner \"Gerettete Nachrichten\"");
    migrate->callback(
        [&] { status = MigrateStoreCommand(options, migrationFormat, outputFolder, resume, migrateSalvage); });

    std::string allOutputFolder;
    StoreAttachmentsRequest attachmentsRequest;
    auto* attachments = app.add_subcommand(
        "attachments", "Anlagen einer Nachricht oder aller Nachrichten der Postablage als Dateien speichern");
    attachments->add_option("FILE", fileName, "Ordnerdatei der Postablage");
    attachments->add_option("OFFSET", offset, "Position des ersten Blocks (SourceOffset)");
    attachments->add_option("OUTDIR", outputFolder, "Zielordner (wird angelegt)");
    auto* allOption = attachments->add_option(
        "--all", allOutputFolder,
        "statt FILE OFFSET OUTDIR: die Anlagen aller Nachrichten in den Zielordner, in Ordnern wie die Postablage, "
        "jeder Inhalt einmal, mit attachments.json");
    const auto addTextOption = [&](const char* name, std::optional<std::string>& value, const char* description) {
        attachments->add_option_function<std::string>(name, [&value](const std::string& text) { value = text; },
                                                      description);
    };
    addTextOption("--folder", attachmentsRequest.folder, "mit --all: nur dieser Ordner (Pfad oder Name wie bei folders)");
    addTextOption("--type", attachmentsRequest.type, "mit --all: nur Anlagen dieses Typs, etwa image/* oder application/pdf");
    addTextOption("--min-size", attachmentsRequest.minSize, "mit --all: nur Anlagen ab so vielen Bytes");
    attachments->callback([&] {
        const bool positionals = attachments->count("FILE") || attachments->count("OFFSET") || attachments->count("OUTDIR");
        if (allOption->count() == 0) {
            if (!attachments->count("OUTDIR"))
                throw UsageError("attachments braucht FILE OFFSET OUTDIR oder --all OUTDIR");
            if (attachmentsRequest.folder || attachmentsRequest.type || attachmentsRequest.minSize)
                throw UsageError("--folder, --type und --min-size gelten nur mit --all");
            WriteMessageAttachments(options, fileName, offset, outputFolder, std::cout);
            return;
        }
        if (positionals)
            throw UsageError("attachments --all OUTDIR nimmt weder FILE noch OFFSET");
        attachmentsRequest.outputFolder = allOutputFolder;
        status = TakeStoreAttachmentsCommand(options, attachmentsRequest);
    });

    SearchRequest searchRequest;
    auto* search = app.add_subcommand("search", "Nachrichten der ganzen Postablage suchen, neueste zuerst");
    search->add_option("QUERY", searchRequest.query,
                       "Wörter, \"Phrasen\", rech*, OR, NOT oder -, (Klammern), von:, an:, betreff:, ordner:, "
                       "anhang:, datum:2003-01..2003-06 (mit - am Anfang: search -- -wort)")
        ->required();
    search->add_flag("--json", searchRequest.json, "als JSON");
    search->add_flag("--count", searchRequest.count, "nur die Zahl aller Treffer");
    const auto addCountOption = [&](const std::string& name, const char* shownAs, std::size_t& value,
                                    const char* description) {
        search->add_option_function<std::string>(
                  name, [name, &value](const std::string& text) { value = ResultCountOption(name, text); }, description)
            ->type_name(shownAs);
    };
    addCountOption("--limit", "N", searchRequest.limit, "höchstens so viele Treffer (1000)");
    addCountOption("--offset", "K", searchRequest.offset, "die ersten so vielen Treffer überspringen");
    search->callback([&] { status = SearchStore(options, searchRequest, std::cout); });

    auto* index = app.add_subcommand("index", "Suchindex der Postablage aufbauen oder auf den neuen Stand bringen");
    index->callback([&] { status = UpdateSearchIndex(options, std::cout); });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const UsageError& e) {
        std::cout.flush();
        std::cerr << vellumine::TerminalText(e.what()) << '\n';
        return kUsageStatus;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << vellumine::TerminalText(e.what()) << '\n';
        return 1;
    }
    std::cout.flush();
    return std::cout ? status : 1;
}
