#include "tools/store_command_line.h"

#include <CLI/CLI.hpp>

#include "tools/store_import.h"
#include "tools/store_preview.h"

namespace storetool {
namespace {

constexpr char kProgram[] = "quorvia-store";

constexpr char kDescription[] =
    "Makes, fills, inspects and exports the CRM store: a SQLite file, or a database on a\n"
    "PostgreSQL server.";

constexpr char kFooter[] =
    "Run 'quorvia-store COMMAND --help' for what a command does. Long work shows its\n"
    "progress on standard error when that is a terminal.\n"
    "\n"
    "Environment:\n"
    "  QUORVIA_STORE   the store (a file or a PostgreSQL location) when there is no --store\n"
    "  XDG_DATA_HOME   the folder of the default store (default ~/.local/share)\n"
    "  QUORVIA_JOURNAL_RUNS, QUORVIA_JOURNAL_DAYS\n"
    "                  how long the journal keeps runs (default 100 runs, 30 days)\n"
    "\n"
    "Files:\n"
    "  $XDG_DATA_HOME/quorvia/crm.db\n"
    "                  the store when neither --store nor QUORVIA_STORE names one\n"
    "  ~/.odbc.ini     where reports-dsn makes the data source QuorviaReports\n"
    "\n"
    "Exit statuses:\n"
    "  0  done\n"
    "  1  failed (with a message), find found nothing, undo was refused, or a\n"
    "     previewed command would not end with 0\n"
    "  2  used wrongly";

void AddDemoCommand(CLI::App& app, DemoOptions& demo) {
  CLI::App* command = app.add_subcommand(
      "demo",
      "Makes a new store with N accounts and a folder tree of F folders holding I related\n"
      "items. The same options give the same store. With K > 0, account A000001 gets K of\n"
      "the items, spread evenly over up to 200 folders, and up to 20 locations.");
  command->add_option("--accounts", demo.accounts, "account items, A000001 on")->type_name("N")->required();
  command->add_option("--seed", demo.seed, "everything else follows from it")->type_name("S")->capture_default_str();
  command->add_option("--folders", demo.folders, "all folders, at least 5")->type_name("F")->capture_default_str();
  command->add_option("--items", demo.items, "related items (default 5 per account)")
      ->type_name("I")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--key-account-items", demo.key_account_items, "items of A000001 (default 0)")
      ->type_name("K")
      ->check(CLI::NonNegativeNumber);
}

void AddJournalCommands(CLI::App& app, Request& request) {
  CLI::App* history = app.add_subcommand(
      "history",
      "Lists the runs in the store's journal, newest first: identifier, start time, user,\n"
      "exit status (\"unfinished\" for a run that was killed), how many items it changed,\n"
      "deleted and created, and its command. With RUN (an identifier or its start), every\n"
      "item the run touched: folder path, entry ID, what it did and each change, old -> new.");
  history->add_option("RUN", request.argument, "a run's identifier, or enough of its start");
  history->add_flag("--prune", request.prune,
                    "first removes the runs the journal no longer keeps (QUORVIA_JOURNAL_RUNS,\n"
                    "QUORVIA_JOURNAL_DAYS)");
  CLI::App* undo = app.add_subcommand(
      "undo",
      "Takes back the run RUN in one transaction: items it changed get their old values,\n"
      "items it deleted come back whole, items it created go. Refuses, naming them, when\n"
      "a later change touched any of its items, unless --force. An undo is a run itself.");
  undo->add_option("RUN", request.argument, "a run's identifier, or enough of its start")->required();
  undo->add_flag("--force", request.force, "takes the run back even over later changes");
  app.add_subcommand("preview",
                     "Runs the account command COMMAND ('Merge;...' or 'Delete;...', the question\n"
                     "answered Yes) in a transaction that is rolled back and prints what it would\n"
                     "do, per folder with counts. The store is left exactly as it was.")
      ->add_option("COMMAND", request.argument, "the command line quorvia-utilities would get")
      ->required();
}

void AddReportsDataSourceCommand(CLI::App& app, Request& request) {
  CLI::App* dsn = app.add_subcommand(
      "reports-dsn",
      "Makes QuorviaReports the ODBC data source of the SQLite reports database FILE,\n"
      "through the SQLite ODBC driver (SQLite3); a missing FILE is then an error, never\n"
      "a new database. Without --sysini, a user data source (~/.odbc.ini) made with\n"
      "odbcinst; with it, odbc.ini and odbcinst.ini in DIR, for ODBCSYSINI=DIR.");
  dsn->add_option("FILE", request.argument, "an existing reports database")->required();
  dsn->add_option("--sysini", request.sysini, "the existing folder to write odbc.ini and odbcinst.ini into")
      ->type_name("DIR");
}

// The commands that take nothing or one word, in the order the help lists them.
struct PlainCommand {
  const char* name;
  const char* description;
  const char* argument;  // nullptr: it takes none
  const char* argument_help;
};

constexpr PlainCommand kPlainCommands[] = {
    {"import",
     "Makes a new store from a JSON document (format 1); - reads standard input.\n"
     "An existing file is never replaced; a document that fails, or whose store\n"
     "check would refuse, leaves no store.",
     "FILE", "the document, or - for standard input"},
    {"backup",
     "Copies the store to a new file FILE while other programs may be writing\n"
     "to it: one consistent snapshot. An existing FILE is never replaced; a copy\n"
     "that fails leaves no file.",
     "FILE", "the new file"},
    {"ls", "Lists the folder tree, one folder a line with the number of its items.", nullptr, nullptr},
    {"show", "Shows the item with that entry ID (in either letter case): its folder,\nmembers and properties.",
     "ENTRYID", "the item's entry ID"},
    {"find",
     "Lists every item whose AccountID is exactly KEY: folder path, entry ID,\n"
     "message class and subject, separated by tabs. Exits with 1 when there is none.",
     "KEY", "the account key, compared exactly"},
    {"reports-db",
     "Makes a new SQLite reports database FILE from the store: for every folder below\n"
     "\"Account Profiles\", a table named as the folder (AccountID, Account Name, Account\n"
     "Manager, Team, Alignment, and COMPANY for contact folders) with a row per item,\n"
     "and its schema table \"Schema\" + name. An existing FILE is never replaced.",
     "FILE", "the new reports database"},
};

void AddCommands(CLI::App& app, Request& request) {
  app.add_subcommand("init", "Makes an empty store holding the database folder \"Account Profiles\"\n"
                             "and below it the alerts folder \"Alerts\".\n"
                             "An existing file is never replaced.")
      ->add_option("--outlook-version", request.outlook_version, "the mail-client version it reports")
      ->type_name("TEXT")
      ->capture_default_str();
  for (const PlainCommand& plain : kPlainCommands) {
    CLI::App* command = app.add_subcommand(plain.name, plain.description);
    if (plain.argument != nullptr) command->add_option(plain.argument, request.argument, plain.argument_help)->required();
  }
  app.add_subcommand("export", "Writes the whole store as a JSON document (format 1) on standard output,\n"
                               "or into the new file FILE (readable by its owner only, in a folder that\n"
                               "exists; an existing file is never replaced).")
      ->add_option("--output", request.output, "the new file")
      ->type_name("FILE");
  AddDemoCommand(app, request.demo);
  AddReportsDataSourceCommand(app, request);
  AddJournalCommands(app, request);
  CLI::App* copy = app.add_subcommand(
      "copy",
      "Copies the whole store SRC, journal included, into a new store DST: a file or a\n"
      "PostgreSQL location, either way round. A DST that holds a store is refused; a\n"
      "copy that fails (text PostgreSQL cannot hold, named with its item) leaves none.");
  copy->add_option("SRC", request.argument, "the store to copy: a file or a PostgreSQL location")->required();
  copy->add_option("DST", request.target, "the new store: a file or a PostgreSQL location")->required();
  app.add_subcommand("check", "Checks the store's integrity and prints ok or each problem;\n"
                              "exits with 1 on problems.");
}

std::string CommandOf(const CLI::App& app) {
  const auto chosen = app.get_subcommands();
  return chosen.empty() ? "" : chosen.front()->get_name();
}

// Why a command line names no command: an unknown word, or none at all.
UsageError NoCommand(const std::vector<std::string>& args) {
  for (const std::string& word : args) {
    if (word.empty() || word[0] != '-') return UsageError("unknown command \"" + word + "\"", "");
  }
  return UsageError("no command given", "");
}

}  // namespace

Request ParseCommandLine(const std::vector<std::string>& args, std::ostream& out) {
  Request request;
  request.outlook_version = kDefaultOutlookVersion;
  CLI::App app(kDescription, kProgram);
  app.set_version_flag("--version", std::string(kProgram) + " " + QUORVIA_VERSION, "Shows the version and exits");
  app.set_help_flag("-h,--help", "Shows this help and exits");
  app.footer(kFooter);
  app.add_option("--store", request.store, "the store (a file or a PostgreSQL location), before or after the command")
      ->type_name("PATH");
  app.require_subcommand(1);
  // Subcommands made after this pass --store on to the tool.
  app.fallthrough();
  AddCommands(app, request);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::Success& shown) {
    app.exit(shown, out, out);
    return request;
  } catch (const CLI::ParseError& error) {
    const std::string command = CommandOf(app);
    // The tool itself requires nothing but a command.
    if (command.empty() && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
      throw NoCommand(app.remaining());
    }
    throw UsageError(error.what(), command);
  }
  request.command = CommandOf(app);
  if (request.command == "preview" && !Previewable(request.argument)) {
    throw UsageError("only Merge and Delete can be previewed, not \"" + request.argument + "\"", request.command);
  }
  if (request.command == "demo") {
    if (const std::string problem = DemoOptionsProblem(request.demo); !problem.empty()) {
      throw UsageError(problem, request.command);
    }
  }
  return request;
}

}  // namespace storetool
