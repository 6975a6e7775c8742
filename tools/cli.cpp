#include "cli.h"

#include <charconv>
#include <cstdlib>

namespace vnimg::tool {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string Message(const std::string& operation, int code) {
  return operation + " failed with error " + std::to_string(code) + ": " + VnGetErrorText(code);
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

template <class T>
bool ParseNumber(const std::string& text, T& value) {
  const char* end = text.data() + text.size();
  const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
  if constexpr (std::is_integral_v<T>) {
    int base = 10;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
      begin += 2;
      base = 16;
    }
    const auto result = std::from_chars(begin, end, value, base);
    return result.ec == std::errc() && result.ptr == end && begin != end;
  } else {
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end && begin != end;
  }
}

void PrintUsage(std::ostream& out) {
  out << "usage: vnimg COMMAND [ARGUMENTS] [--OPTION VALUE ...] [--json]\n\n"
         "Image processing for machine vision from the command line. Inputs come first, then the\n"
         "output; images are .png, .pgm, .ppm, .pbm or .pnm files. Run `vnimg COMMAND --help` for a\n"
         "command's options. Exit status: 0 done, 1 the operation failed, 2 bad arguments or files.\n\n"
         "commands:\n";
  for (const Command& command : Commands()) {
    std::string head = "  " + command.name;
    head.resize(std::max<std::size_t>(head.size() + 2, 30), ' ');
    out << head << command.summary << '\n';
  }
}

void PrintHelp(const Command& command, std::ostream& out) {
  out << "usage: vnimg " << command.name << (command.arguments.empty() ? "" : " " + command.arguments)
      << " [options]\n\n" << command.summary << ".\n";
  if (!command.details.empty()) out << '\n' << command.details << '\n';
  out << "\noptions:\n";
  auto line = [&](std::string head, const std::string& help) {
    head = "  " + head;
    head.resize(std::max<std::size_t>(head.size() + 2, 30), ' ');
    out << head << help << '\n';
  };
  for (const Option& option : command.options) {
    std::string help = option.help;
    if (!option.names.empty()) {
      help += " (";
      for (std::size_t i = 0; i < option.names.size(); ++i) help += (i ? ", " : "") + std::string(option.names[i].name);
      help += ", or a number)";
    }
    if (!option.flag) help += option.defaultValue.empty() ? "; required" : "; default " + option.defaultValue;
    line("--" + option.name + (option.flag ? "" : " VALUE"), help);
  }
  line("--json", "print results as JSON");
  line("--help", "show this text");
}

}  // namespace

const Option kWidthOption{"width", "source", "destination width"};
const Option kHeightOption{"height", "source", "destination height"};

OperationError::OperationError(const std::string& operation, int errorCode, std::vector<std::string> traceNames)
    : std::runtime_error(Message(operation, errorCode)), code(errorCode), trace(std::move(traceNames)) {}

Invocation::Invocation(const Command& command, std::vector<std::string> arguments,
                       std::vector<std::pair<std::string, std::string>> options, bool json, std::ostream& out)
    : m_command(command), m_arguments(std::move(arguments)), m_options(std::move(options)), m_json(json), m_out(out) {
  for (const auto& given : m_options) Declared(given.first);
  for (const Option& option : m_command.options)
    if (!option.flag && option.defaultValue.empty() && !Given(option.name))
      throw UsageError(m_command.name + " needs --" + option.name);
}

void Invocation::ExpectArguments(std::size_t least, std::size_t most) const {
  if (m_arguments.size() < least || m_arguments.size() > most)
    throw UsageError("usage: vnimg " + m_command.name + " " + m_command.arguments + " (see vnimg " + m_command.name +
                     " --help)");
}

const std::string& Invocation::Argument(std::size_t i) const {
  if (i >= m_arguments.size()) ExpectArguments(i + 1, i + 1);
  return m_arguments[i];
}

const Option& Invocation::Declared(const std::string& option) const {
  for (const Option& declared : m_command.options)
    if (declared.name == option) return declared;
  throw UsageError(m_command.name + " has no option --" + option + " (see vnimg " + m_command.name + " --help)");
}

bool Invocation::Given(const std::string& option) const {
  for (const auto& given : m_options)
    if (given.first == option) return true;
  return false;
}

std::string Invocation::Text(const std::string& option) const {
  const Option& declared = Declared(option);
  std::string value = declared.flag ? "0" : declared.defaultValue;
  for (const auto& given : m_options)
    if (given.first == option) value = given.second;
  return value;
}

long long Invocation::Integer(const std::string& option, long long least, long long most) const {
  const std::string text = Text(option);
  long long value = 0;
  if (!ParseNumber(text, value)) throw UsageError("--" + option + " wants a whole number, not '" + text + "'");
  if (value < least || value > most)
    throw UsageError("--" + option + " must lie between " + std::to_string(least) + " and " + std::to_string(most));
  return value;
}

double Invocation::Real(const std::string& option) const {
  const std::string text = Text(option);
  double value = 0;
  if (!ParseNumber(text, value)) throw UsageError("--" + option + " wants a number, not '" + text + "'");
  return value;
}

std::vector<double> Invocation::Reals(const std::string& option) const {
  const std::string text = Text(option);
  std::vector<double> values;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    double value = 0;
    if (!ParseNumber(text.substr(start, comma - start), value))
      throw UsageError("--" + option + " wants comma-separated numbers, not '" + text + "'");
    values.push_back(value);
    start = comma + 1;
  }
  return values;
}

bool Invocation::Flag(const std::string& option) const { return Integer(option, 0, 1) != 0; }

long long Invocation::Enum(const std::string& option, long long least, long long most) const {
  const std::string text = Lowered(Text(option));
  for (const EnumName& name : Declared(option).names)
    if (text == name.name) return name.value;
  long long value = 0;
  if (ParseNumber(text, value) && value >= least && value <= most) return value;
  std::string known;
  for (const EnumName& name : Declared(option).names) known += (known.empty() ? "" : ", ") + std::string(name.name);
  throw UsageError("--" + option + ": '" + Text(option) + "' is not one of " + known + " or a number from " +
                   std::to_string(least) + " to " + std::to_string(most));
}

void Invocation::Print(const Report& report) {
  if (m_json) {
    report.WriteJson(m_out);
  } else {
    report.WriteText(m_out);
  }
}

AnyImage Invocation::Read(std::size_t argument) const { return ReadImage(Argument(argument)); }

void Invocation::Write(std::size_t argument, AnyImage image) const { WriteImage(Argument(argument), image); }

void CallOperation(const std::string& name, const std::function<void()>& operation) {
  try {
    operation();
  } catch (const Korvane::Quandor::Exception& e) {
    VnSetError(e.code);
  } catch (const std::bad_alloc&) {
    VnSetError(VN_ERR_OUT_OF_MEMORY);
  }
  const int code = VnGetError();
  if (code == VN_OK) return;
  std::vector<std::string> trace;
  for (unsigned i = 0; i < VnGetErrorTraceCount(); ++i) trace.emplace_back(VnGetErrorTraceName(i));
  throw OperationError(name, code, std::move(trace));
}

std::span<const Command> Commands() {
  static const std::vector<Command> commands = [] {
    std::vector<Command> all;
    AddFileCommands(all);
    AddPointCommands(all);
    AddHistogramCommands(all);
    AddThresholdCommands(all);
    AddGeometryCommands(all);
    AddConvertCommands(all);
    AddDemoCommand(all);
    return all;
  }();
  return commands;
}

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintUsage(err);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    if (args.size() > 1) return RunTool({args[1], "--help"}, out, err);
    PrintUsage(out);
    return 0;
  }
  const Command* command = nullptr;
  for (const Command& candidate : Commands())
    if (candidate.name == args[0]) command = &candidate;
  if (!command) {
    err << "vnimg: unknown command '" << args[0] << "' (vnimg --help lists them)\n";
    return kExitUsage;
  }
  try {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    bool json = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& arg = args[i];
      if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
        positional.push_back(arg);
        continue;
      }
      std::string name = arg.substr(2), value;
      const std::size_t equals = name.find('=');
      const bool inlineValue = equals != std::string::npos;
      if (inlineValue) {
        value = name.substr(equals + 1);
        name.resize(equals);
      }
      if (name == "help") {
        PrintHelp(*command, out);
        return 0;
      }
      if (name == "json") {
        json = true;
        continue;
      }
      bool flag = false;
      for (const Option& option : command->options)
        if (option.name == name) flag = option.flag;
      if (!inlineValue && flag) {
        value = std::string("1");  // a flag given without a value
      } else if (!inlineValue) {
        if (i + 1 >= args.size()) throw UsageError("--" + name + " needs a value");
        value = args[++i];
      }
      options.emplace_back(name, value);
    }
    Invocation call(*command, std::move(positional), std::move(options), json, out);
    command->run(call);
    return 0;
  } catch (const UsageError& e) {
    err << "vnimg " << command->name << ": " << e.what() << '\n';
    return kExitUsage;
  } catch (const FileError& e) {
    err << "vnimg " << command->name << ": " << e.what() << '\n';
    return kExitUsage;
  } catch (const OperationError& e) {
    err << "vnimg " << command->name << ": " << e.what() << '\n';
    if (!e.trace.empty()) {
      err << "  trace, innermost first:";
      for (std::size_t i = 0; i < e.trace.size(); ++i) err << (i ? ", \"" : " \"") << e.trace[i] << '"';
      err << '\n';
    }
    return kExitFailed;
  }
}

}  // namespace vnimg::tool
