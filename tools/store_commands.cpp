#include "tools/store_commands.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "host/store/schema.h"
#include "tools/demo_store.h"
#include "tools/json_reader.h"
#include "tools/store_check.h"
#include "tools/store_export.h"
#include "tools/store_import.h"
#include "tools/store_listing.h"
#include "tools/store_rows.h"

namespace storetool {
namespace {

constexpr char kProgram[] = "quorvia-store";

// A command line that does not fit: unknown command or option, missing value.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a command gets: its options and words, the store and the streams.
struct Call {
  std::map<std::string, std::string> options;
  std::vector<std::string> words;
  std::function<std::string()> store_path;
  std::istream& in;
  std::ostream& out;
};

struct Command {
  const char* name;
  const char* synopsis;      // after "quorvia-store [--store PATH] "
  const char* description;   // a few lines for --help
  std::vector<const char*> valued_options;
  std::size_t words;         // positional arguments it takes, exactly
  int (*run)(Call&);
};

std::int64_t NumberOption(const Call& call, const std::string& name, std::int64_t fallback) {
  const auto found = call.options.find(name);
  if (found == call.options.end()) return fallback;
  const std::string& text = found->second;
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < 0) {
    throw UsageError(name + " needs a whole number of 0 or more, not \"" + text + "\"");
  }
  return number;
}

std::unique_ptr<store::Database> Open(const Call& call) { return store::OpenStore(call.store_path()); }

int RunInit(Call& call) {
  const auto version = call.options.count("--outlook-version") != 0 ? call.options.at("--outlook-version")
                                                                 : kDefaultOutlookVersion;
  NewStoreFile target(call.store_path());
  {
    auto db = store::CreateStore(target.temp_path(), store::NewIdentifier(store::kStoreIdBytes), version);
    store::Transaction transaction(*db);
    StoreWriter(*db).AddFolder(std::nullopt, store::NewIdentifier(store::kEntryIdBytes),
                               store::kDatabaseFolderName, kDefaultMessageClass);
    transaction.Commit();
  }
  target.Publish();
  return kExitOk;
}

int RunImport(Call& call) {
  const std::string& file = call.words[0];
  if (file == "-") {
    ImportStore(call.in, "<stdin>", call.store_path());
    return kExitOk;
  }
  std::ifstream input(file, std::ios::binary);
  if (!input) throw std::runtime_error(file + ": cannot open: " + std::strerror(errno));
  ImportStore(input, file, call.store_path());
  return kExitOk;
}

int RunExport(Call& call) {
  ExportStore(*Open(call), call.out);
  call.out.flush();
  if (!call.out) throw std::runtime_error("cannot write the document to standard output");
  return kExitOk;
}

int RunList(Call& call) {
  ListFolders(*Open(call), call.out);
  return kExitOk;
}

int RunShow(Call& call) {
  const std::string path = call.store_path();
  if (!ShowItem(*Open(call), call.words[0], call.out)) {
    throw std::runtime_error(path + ": no item has the entry ID \"" + call.words[0] + "\"");
  }
  return kExitOk;
}

int RunFind(Call& call) {
  FindAccountItems(*Open(call), call.words[0], call.out);
  return kExitOk;
}

int RunCheck(Call& call) {
  const std::string path = call.store_path();
  const std::vector<std::string> problems = CheckStore(*Open(call));
  for (const std::string& problem : problems) call.out << path << ": " << problem << '\n';
  if (problems.empty()) call.out << "ok\n";
  return problems.empty() ? kExitOk : kExitFailed;
}

int RunDemo(Call& call) {
  if (call.options.count("--accounts") == 0) throw UsageError("demo needs --accounts N");
  DemoOptions options;
  options.accounts = NumberOption(call, "--accounts", 0);
  options.seed = static_cast<std::uint64_t>(NumberOption(call, "--seed", 1));
  options.folders = NumberOption(call, "--folders", kDemoDefaultFolders);
  options.items = NumberOption(call, "--items", -1);
  options.key_account_items = NumberOption(call, "--key-account-items", 0);
  if (const std::string problem = DemoOptionsProblem(options); !problem.empty()) throw UsageError(problem);
  MakeDemoStore(options, call.store_path());
  return kExitOk;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"init", "init [--outlook-version TEXT]",
       "Makes an empty store holding the database folder \"Account Profiles\".\n"
       "The mail-client version it reports is TEXT (default 16.0). An existing file is never replaced.",
       {"--outlook-version"}, 0, RunInit},
      {"import", "import FILE|-",
       "Makes a new store from a JSON document (format 1); - reads standard input.\n"
       "An existing file is never replaced; an import that fails leaves no store.",
       {}, 1, RunImport},
      {"export", "export", "Writes the whole store as a JSON document (format 1) on standard output.", {}, 0,
       RunExport},
      {"ls", "ls", "Lists the folder tree, one folder a line with the number of its items.", {}, 0, RunList},
      {"show", "show ENTRYID", "Shows the item with that entry ID: its folder, members and properties.", {},
       1, RunShow},
      {"find", "find KEY",
       "Lists every item whose AccountID is exactly KEY:\nfolder path, entry ID, message class and subject, "
       "separated by tabs.",
       {}, 1, RunFind},
      {"demo", "demo --accounts N [--seed S] [--folders F] [--items I] [--key-account-items K]",
       "Makes a new store with N accounts and a folder tree of F folders (default 14) holding I related\n"
       "items (default 5 per account). The same options give the same store. With K > 0, account\n"
       "A000001 gets K of the items, spread evenly over up to 200 folders, and up to 20 locations.",
       {"--accounts", "--seed", "--folders", "--items", "--key-account-items"}, 0, RunDemo},
      {"check", "check",
       "Checks the store's integrity and prints ok or each problem; exits with 1 on problems.", {}, 0,
       RunCheck},
  };
  return commands;
}

void WriteUsage(std::ostream& out) {
  out << "Usage: " << kProgram << " [--store PATH] COMMAND [ARGUMENTS]\n\n"
      << "Makes, fills, inspects and exports the CRM store, one SQLite file. The store is PATH, else\n"
      << "$QUORVIA_STORE, else $XDG_DATA_HOME/quorvia/crm.db (~/.local/share/quorvia/crm.db).\n\n"
      << "Commands:\n";
  for (const Command& command : Commands()) out << "  " << command.synopsis << '\n';
  out << "\nRun '" << kProgram << " COMMAND --help' for what a command does.\n";
}

void WriteCommandUsage(const Command& command, std::ostream& out) {
  out << "Usage: " << kProgram << " [--store PATH] " << command.synopsis << "\n\n" << command.description
      << '\n';
}

bool IsHelp(const std::string& word) { return word == "--help" || word == "-h"; }

// Splits the words after the command into options and positional words;
// "--" ends the options. Throws UsageError on an unknown option.
void ParseCommandWords(const Command& command, const std::vector<std::string>& args, std::size_t from,
                       Call& call) {
  bool options_ended = false;
  for (std::size_t i = from; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (options_ended || word.size() < 2 || word[0] != '-') {
      call.words.push_back(word);
      continue;
    }
    if (word == "--") {
      options_ended = true;
      continue;
    }
    const std::string name = word.substr(0, word.find('='));
    bool known = false;
    for (const char* option : command.valued_options) known = known || name == option;
    if (!known) throw UsageError(std::string(command.name) + ": unknown option " + name);
    if (name.size() < word.size()) {
      call.options[name] = word.substr(name.size() + 1);
    } else if (i + 1 < args.size()) {
      call.options[name] = args[++i];
    } else {
      throw UsageError(std::string(command.name) + ": " + name + " needs a value");
    }
  }
  if (call.words.size() != command.words) {
    throw UsageError(std::string(command.name) + ": expected " + std::to_string(command.words) +
                     " argument" + (command.words == 1 ? "" : "s") + ", got " + std::to_string(call.words.size()));
  }
}

const Command* FindCommand(const std::string& name) {
  for (const Command& command : Commands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

// Reads the options before the command; returns the index of the command.
std::size_t ParseGlobal(const std::vector<std::string>& args, std::optional<std::string>& store) {
  std::size_t i = 0;
  for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
    if (args[i] == "--store" && i + 1 < args.size()) {
      store = args[++i];
    } else if (args[i].rfind("--store=", 0) == 0) {
      store = args[i].substr(8);
    } else if (args[i] == "--store") {
      throw UsageError("--store needs a value");
    } else if (!IsHelp(args[i])) {
      throw UsageError("unknown option " + args[i]);
    } else {
      break;
    }
  }
  return i;
}

int Dispatch(const std::vector<std::string>& args, const store::Environment& environment, Call& call) {
  std::optional<std::string> store;
  const std::size_t at = ParseGlobal(args, store);
  if (at < args.size() && IsHelp(args[at])) {
    WriteUsage(call.out);
    return kExitOk;
  }
  if (at == args.size()) throw UsageError("no command given");
  const Command* command = FindCommand(args[at]);
  if (command == nullptr) throw UsageError("unknown command \"" + args[at] + "\"");
  for (std::size_t i = at + 1; i < args.size() && args[i] != "--"; ++i) {
    if (IsHelp(args[i])) {
      WriteCommandUsage(*command, call.out);
      return kExitOk;
    }
  }
  ParseCommandWords(*command, args, at + 1, call);
  call.store_path = [store, environment] { return store ? *store : store::DefaultStorePath(environment); };
  return command->run(call);
}

}  // namespace

int RunStoreTool(const std::vector<std::string>& args, const store::Environment& environment, std::istream& in,
                 std::ostream& out, std::ostream& err) {
  Call call{{}, {}, {}, in, out};
  try {
    return Dispatch(args, environment, call);
  } catch (const UsageError& error) {
    err << kProgram << ": " << error.what() << "\nRun '" << kProgram << " --help' for the commands.\n";
    return kExitUsage;
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
    return kExitFailed;
  }
}

}  // namespace storetool
