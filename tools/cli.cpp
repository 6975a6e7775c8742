#include "cli.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sstream>

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

template <class Image>
struct PixelOf;
template <class T>
struct PixelOf<VnImage<T>> {
  using type = T;
};

template <class... Images>
std::vector<const char*> PixelTypeNames(PixelTypes types, std::variant<Images...>*) {
  std::vector<const char*> names;
  ((types & PixelBit<typename PixelOf<Images>::type>() ? names.push_back(kPixelTypeName<typename PixelOf<Images>::type>) : void()), ...);
  return names;
}

std::string Number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

constexpr const char* kVocabulary =
    "Conventions, the same in every command:\n"
    "  - inputs first, the output last; options after them, named after the operation's\n"
    "    parameters, one name for one parameter everywhere (--mode for automatic threshold\n"
    "    modes, --threshold for a level, --fraction, --half-size, --interpolation-bits ...);\n"
    "  - switches are flags (--resize, --drop-odd); numbers are decimal (hexadecimal only\n"
    "    after 0x), reals finite; enumerations by their kebab-case name;\n"
    "  - an option that does not apply to the input's pixel type, a value out of its range,\n"
    "    a missing operand or pixel types an operation has no form for is refused (status 2)\n"
    "    before anything runs, with what would work;\n"
    "  - with --json every command prints JSON: what it measured, or for an image it wrote\n"
    "    the path, size, pixel type and anything it chose (an automatic threshold ...);\n"
    "  - an alpha channel is carried through where the command can, else refused.\n"
    "Images: PNG, PBM/PGM/PPM (binary or plain) and PAM, recognised by their content; a\n"
    "file's maximum value means white (a maxval-15 PGM reads as 0..255, like a 4-bit PNG).\n"
    "Options of every command:\n"
    "  --json               print results as JSON\n"
    "  --quiet              no progress lines on stderr (printed after the first second)\n"
    "  --max-pixels N       refuse files of more pixels (default 268435456 = 2^28)\n"
    "  --compression N      PNG zlib level 0 to 9 (default 1, fast)\n"
    "  --plain              write Netpbm files in the plain (text) form\n"
    "  -h, --help           the command's options\n"
    "Exit status: 0 done, 1 the operation failed, 2 bad arguments or files (nothing written).\n";

void PrintUsage(std::ostream& out) {
  out << "usage: vnimg COMMAND [ARGUMENTS] [--OPTION VALUE ...] [--json]\n\n"
         "Image processing for machine vision from the command line. Run `vnimg COMMAND --help`\n"
         "for a command's options; `vnimg --version` for the version.\n\n"
      << kVocabulary << "\ncommands:\n";
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
    if (!option.choices.empty()) {
      help += " (one of";
      for (std::size_t i = 0; i < option.choices.size(); ++i) help += (i ? ", " : " ") + std::to_string(option.choices[i]);
      help += ")";
    }
    if (option.range) help += " (" + Number(option.range->least) + " to " + Number(option.range->most) + ")";
    if (option.appliesTo != kAnyPixels) help += " [" + PixelTypesText(option.appliesTo) + " images]";
    if (!option.flag) help += option.defaultValue.empty() ? "; required" : "; default " + option.defaultValue;
    line("--" + option.name + (option.flag ? "" : " VALUE"), help);
  }
  out << "\nand --json, --quiet, --max-pixels N, --compression N, --plain, -h/--help (see vnimg --help).\n";
}

std::string OperationMessage(const Command& command, const OperationError& e) {
  std::string message = e.what();
  for (const CodeMeaning& meaning : command.codeMeanings)
    if (meaning.code == e.code) message += "\n  here: " + meaning.meaning;
  if (!e.trace.empty()) {
    message += "\n  trace, innermost first:";
    for (std::size_t i = 0; i < e.trace.size(); ++i) message += (i ? ", \"" : " \"") + e.trace[i] + '"';
  }
  return message;
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
  const Option& declared = Declared(option);
  CheckDeclaredRange(declared, static_cast<double>(value));
  if (!declared.choices.empty() && std::find(declared.choices.begin(), declared.choices.end(), value) == declared.choices.end()) {
    std::string known;
    for (const long long choice : declared.choices) known += (known.empty() ? "" : ", ") + std::to_string(choice);
    throw UsageError("--" + option + " must be one of " + known + ", not " + text);
  }
  return value;
}

long long Invocation::Integer(const std::string& option) const {
  return Integer(option, std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max());
}

void Invocation::CheckDeclaredRange(const Option& declared, double value) const {
  if (declared.range && (value < declared.range->least || value > declared.range->most))
    throw UsageError("--" + declared.name + " must lie between " + Number(declared.range->least) + " and " +
                     Number(declared.range->most));
}

double Invocation::Real(const std::string& option) const {
  const std::string text = Text(option);
  double value = 0;
  if (!ParseNumber(text, value) || !std::isfinite(value))
    throw UsageError("--" + option + " wants a finite number, not '" + text + "'");
  CheckDeclaredRange(Declared(option), value);
  return value;
}

std::vector<double> Invocation::Reals(const std::string& option) const {
  const std::string text = Text(option);
  std::vector<double> values;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    double value = 0;
    if (!ParseNumber(text.substr(start, comma - start), value) || !std::isfinite(value))
      throw UsageError("--" + option + " wants comma-separated finite numbers, not '" + text + "'");
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
  throw UsageError("--" + option + ": '" + Text(option) + "' is not one of " + known +
                   (least <= most ? " or a number from " + std::to_string(least) + " to " + std::to_string(most) : std::string()));
}

void Invocation::Print(const Report& report) {
  if (m_json) {
    report.WriteJson(m_out);
  } else {
    report.WriteText(m_out);
  }
}

void Invocation::SetCommonOptions(const CommonOptions& options, std::ostream& err) {
  m_common = options;
  m_err = &err;
}

void Invocation::CheckOptionsApply(PixelTypes type, const char* typeName) const {
  for (const Option& option : m_command.options)
    if (!(option.appliesTo & type) && Given(option.name))
      throw UsageError("--" + option.name + " does not apply to " + typeName + " images (only to " +
                       PixelTypesText(option.appliesTo) + " images)");
}

void Invocation::CheckAlphaAccepted() const {
  if (m_inputAlpha && m_command.alpha == AlphaRule::Refuse)
    throw UsageError("the input has an alpha channel, which " + m_command.name +
                     " cannot carry through; drop it first with `vnimg copy IN OUT --drop-alpha`");
}

void Invocation::Chose(const std::string& name, Report value, bool asText) {
  for (Choice& chosen : m_chosen)
    if (chosen.name == name) return void(chosen.value = std::move(value));
  m_chosen.push_back({name, std::move(value), asText});
}

void Invocation::Progress(const std::string& what, bool always) const {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  if (m_err && !m_common.quiet && (always || seconds > 1))
    *m_err << "vnimg " << m_command.name << ": " << what << " (" << std::round(seconds * 10) / 10 << " s)" << std::endl;
}

void Invocation::Finish() {
  Report report = Report::Group();
  if (m_json && m_written.Size() == 1) report = m_written.Item(0);
  if (m_json && m_written.Size() > 1) report.Set("outputs", m_written);
  for (const Choice& chosen : m_chosen)
    if (m_json || chosen.asText) report.Set(chosen.name, chosen.value);
  if (report.Size() > 0) Print(report);
}

AnyImage Invocation::Read(std::size_t argument) const {
  AnyImage image = ReadImage(Argument(argument), m_common.limits);
  if (image.alpha && !m_inputAlpha) m_inputAlpha = image.alpha;
  Progress("read " + Argument(argument));
  return image;
}

ImageHeader Invocation::ReadHeader(std::size_t argument) const { return ReadImageHeader(Argument(argument), m_common.limits); }

void Invocation::Write(std::size_t argument, AnyImage image) const {
  if (m_inputAlpha && !image.alpha) {
    if (m_command.alpha != AlphaRule::Keep || m_inputAlpha->GetWidth() != image.Width() ||
        m_inputAlpha->GetHeight() != image.Height()) {
      CheckAlphaAccepted();
      throw UsageError("the input has an alpha channel, which " + m_command.name + " cannot carry into " + Argument(argument) +
                       "; drop it first with `vnimg copy IN OUT --drop-alpha`");
    }
    image.alpha = m_inputAlpha;
  }
  WriteImage(Argument(argument), image, m_common.write);
  Progress("wrote " + Argument(argument));
  m_written.Add(Report::Group()
                    .Set("output", Argument(argument))
                    .Set("width", image.Width())
                    .Set("height", image.Height())
                    .Set("pixels", PixelTypeName(image.pixels))
                    .Set("alpha", image.alpha.has_value()));
}

std::string PixelTypesText(PixelTypes types) {
  const std::vector<const char*> names = PixelTypeNames(types, static_cast<ImageVariant*>(nullptr));
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + std::string(names[i]);
  return text;
}

std::optional<long long> ParseWholeNumber(const std::string& text) {
  long long value = 0;
  if (text.starts_with('-') || !ParseNumber(text, value)) return std::nullopt;
  return value;
}

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
    AddFilterCommands(all);
    AddPredefinedFilterCommands(all);
    AddMorphologyCommands(all);
    AddBinaryMorphologyCommands(all);
    AddMomentsCommands(all);
    AddStatisticsCommands(all);
    AddConvertCommands(all);
    AddGradientCommands(all);
    AddLutCommands(all);
    AddCannyCommands(all);
    AddDemoCommand(all);
    return all;
  }();
  return commands;
}

namespace {

// The common options, taken out of the command line unless the command declares one of the
// same name.
bool TakeCommonOption(const Command& command, const std::string& name, const std::function<std::string()>& value,
                      CommonOptions& common, bool& json) {
  for (const Option& option : command.options)
    if (option.name == name) return false;
  const auto whole = [&](long long least, long long most) {
    const std::string text = value();
    const std::optional<long long> number = ParseWholeNumber(text);
    if (!number || *number < least || *number > most)
      throw UsageError("--" + name + " wants a whole number from " + std::to_string(least) + " to " + std::to_string(most) +
                       ", not '" + text + "'");
    return *number;
  };
  if (name == "json") {
    json = true;
  } else if (name == "quiet") {
    common.quiet = true;
  } else if (name == "plain") {
    common.write.plain = true;
  } else if (name == "max-pixels") {
    common.limits.maxPixels = static_cast<std::uint64_t>(whole(1, 1ll << 40));
  } else if (name == "compression") {
    common.write.compression = static_cast<int>(whole(0, 9));
  } else {
    return false;
  }
  return true;
}

int RunCommand(const Command& command, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;
  CommonOptions common;
  bool json = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h") {
      PrintHelp(command, out);
      return 0;
    }
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
      PrintHelp(command, out);
      return 0;
    }
    const auto next = [&] {
      if (inlineValue) return value;
      if (i + 1 >= args.size()) throw UsageError("--" + name + " needs a value");
      return args[++i];
    };
    if (TakeCommonOption(command, name, next, common, json)) continue;
    bool flag = false;
    for (const Option& option : command.options)
      if (option.name == name) flag = option.flag;
    options.emplace_back(name, !inlineValue && flag ? std::string("1") : next());
  }
  Invocation call(command, std::move(positional), std::move(options), json, out);
  call.SetCommonOptions(common, err);
  command.run(call);
  call.Finish();
  return 0;
}

}  // namespace

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
  if (args[0] == "--version") {
    out << "vnimg " << VNIMG_VERSION << '\n';
    return 0;
  }
  const Command* command = nullptr;
  for (const Command& candidate : Commands())
    if (candidate.name == args[0]) command = &candidate;
  if (!command) {
    err << "vnimg: unknown command '" << args[0] << "' (vnimg --help lists them)\n";
    return kExitUsage;
  }
  const std::string prefix = "vnimg " + command->name + ": ";
  try {
    return RunCommand(*command, args, out, err);
  } catch (const UsageError& e) {
    err << prefix << e.what() << '\n';
    return kExitUsage;
  } catch (const FileError& e) {
    err << prefix << e.what() << '\n';
    return kExitUsage;
  } catch (const OperationError& e) {
    err << prefix << OperationMessage(*command, e) << '\n';
    return kExitFailed;
  } catch (const std::bad_alloc&) {
    err << prefix << "not enough memory\n";
    return kExitFailed;
  } catch (const Korvane::Quandor::Exception& e) {
    err << prefix << "the operation failed with error " << e.code << ": " << VnGetErrorText(e.code) << '\n';
    return kExitFailed;
  } catch (const std::exception& e) {
    err << prefix << "failed: " << e.what() << '\n';
    return kExitFailed;
  } catch (...) {
    err << prefix << "failed with an unknown exception\n";
    return kExitFailed;
  }
}

}  // namespace vnimg::tool
