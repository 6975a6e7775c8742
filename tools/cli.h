// The command framework of the vnimg tool. A command names its positional arguments, its
// options (named after the operation's parameters, with their defaults) and a function that
// reads the inputs, calls the library and writes or prints the results:
//
//   commands.push_back({"halve", "IN OUT", "Halve an image (2 x 2 block means)",
//                       {{"drop-odd", "", "ignore an odd last column or row", {}, true}},
//                       [](Invocation& call) { ... }});
//
// Checks a command opts into by declaring data, enforced before the library runs: an
// option's pixel types (`appliesTo`), its range and choices, a command's alpha rule, the
// meanings of library codes in terms of the options. See "Adding a subcommand" in
// CONTRIBUTING.md.
//
// Exit status: 0 done, 1 the operation failed (its code, text and trace are printed), 2 bad
// command line or image file (nothing is written).
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include <vnimg.h>

#include "image_file.h"
#include "report.h"

namespace vnimg::tool {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// An operation that set an error code or threw.
struct OperationError : std::runtime_error {
  OperationError(const std::string& operation, int code, std::vector<std::string> trace);
  int code;
  std::vector<std::string> trace;
};

// A set of pixel types: one bit per alternative of ImageVariant.
using PixelTypes = unsigned;
template <class T>
constexpr PixelTypes PixelBit() {
  return []<class... Images>(std::variant<Images...>*) {
    PixelTypes bit = 0, next = 1;
    ((bit |= std::is_same_v<Images, VnImage<T>> ? next : 0, next <<= 1), ...);
    return bit;
  }(static_cast<ImageVariant*>(nullptr));
}
template <class... Ts>
inline constexpr PixelTypes kPixels = (PixelBit<Ts>() | ...);
inline constexpr PixelTypes kAnyPixels = ~0u;
inline constexpr PixelTypes kGrayPixels = kPixels<VnBW8, VnBW16>;
// "8-bit gray or 16-bit gray".
std::string PixelTypesText(PixelTypes types);

// A number's accepted range, both ends included.
struct Range {
  double least;
  double most;
};

// An enumeration value by name; names are the library's in lower case with hyphens.
struct EnumName {
  const char* name;
  long long value;
};

// The automatic threshold modes by name.
extern const EnumName kThresholdModes[6];

struct Option {
  std::string name;
  // Used when the option is not given; empty for an option that must be given.
  std::string defaultValue;
  std::string help;
  // Names the option accepts besides numbers.
  std::span<const EnumName> names = {};
  // An option without a value ("--resize" means 1).
  bool flag = false;
  // The input pixel types it applies to; given for another, it is a usage error.
  PixelTypes appliesTo = kAnyPixels;
  // Numbers: checked by Integer and Real before anything runs, shown by --help.
  std::optional<Range> range = std::nullopt;
  // Whole numbers: the only values accepted (for instance 0, 4, 8), empty for any.
  std::vector<long long> choices = {};
};

// What an image-writing command does with an input's alpha channel. Nothing drops it
// silently: an output written without alpha after an input with one is refused.
enum class AlphaRule {
  Refuse,     // refused before the operation runs, with a hint to drop it first
  Keep,       // the output keeps the first input's alpha as it is (pixel-wise commands)
  Transform,  // MapImage runs the command on the alpha too (geometric commands)
};

// A library code in the words of the command's options.
struct CodeMeaning {
  int code;
  std::string meaning;
};

class Invocation;

struct Command {
  std::string name;
  // Positional arguments as shown in the usage line, for instance "IN OUT".
  std::string arguments;
  std::string summary;
  std::vector<Option> options;
  std::function<void(Invocation&)> run;
  // More explanation printed by CMD --help.
  std::string details = {};
  AlphaRule alpha = AlphaRule::Refuse;
  std::vector<CodeMeaning> codeMeanings = {};
};

// Options every command takes, parsed before the command's own.
struct CommonOptions {
  bool quiet = false;
  ReadLimits limits;
  WriteSettings write;
};

class Invocation {
 public:
  Invocation(const Command& command, std::vector<std::string> arguments, std::vector<std::pair<std::string, std::string>> options,
             bool json, std::ostream& out);

  const Command& command() const { return m_command; }
  // Usage error unless between `least` and `most` positional arguments were given.
  void ExpectArguments(std::size_t least, std::size_t most) const;
  std::size_t ArgumentCount() const { return m_arguments.size(); }
  const std::string& Argument(std::size_t i) const;

  bool Given(const std::string& option) const;
  std::string Text(const std::string& option) const;
  long long Integer(const std::string& option, long long least, long long most) const;
  // Within the option's declared range and choices.
  long long Integer(const std::string& option) const;
  // Finite, and within the declared range.
  double Real(const std::string& option) const;
  // Comma-separated reals ("10,20.5,30").
  std::vector<double> Reals(const std::string& option) const;
  bool Flag(const std::string& option) const;
  // A name of the option's enumeration or a number in [least, most].
  long long Enum(const std::string& option, long long least, long long most) const;

  bool json() const { return m_json; }
  std::ostream& out() { return m_out; }
  // Prints as text or JSON (--json).
  void Print(const Report& report);

  void SetCommonOptions(const CommonOptions& options, std::ostream& err);
  const CommonOptions& common() const { return m_common; }
  // Usage error naming every given option that does not apply to `type`.
  void CheckOptionsApply(PixelTypes type, const char* typeName) const;
  // Usage error when an input has alpha and the command's rule is Refuse.
  void CheckAlphaAccepted() const;
  // The command leaves the input's alpha out on request (copy --drop-alpha).
  void DropAlpha() { m_inputAlpha.reset(); }
  // A value the command chose (an automatic threshold, a pivot): printed with --json in the
  // object beside the outputs, and as a text line too when `asText`. A second call with the
  // same name replaces it.
  void Chose(const std::string& name, Report value, bool asText = false);
  // A line on stderr once the command has run for more than a second, or `always` (never
  // with --quiet).
  void Progress(const std::string& what, bool always = false) const;
  // Prints what Write wrote and what Chose recorded; RunTool calls it after the command.
  void Finish();

  AnyImage Read(std::size_t argument) const;
  ImageHeader ReadHeader(std::size_t argument) const;
  void Write(std::size_t argument, AnyImage image) const;
  template <class T>
  void Write(std::size_t argument, VnImage<T> image) const {
    Write(argument, AnyImage{std::move(image), std::nullopt});
  }

 private:
  const Option& Declared(const std::string& option) const;
  void CheckDeclaredRange(const Option& declared, double value) const;
  const Command& m_command;
  std::vector<std::string> m_arguments;
  std::vector<std::pair<std::string, std::string>> m_options;
  bool m_json;
  std::ostream& m_out;
  std::ostream* m_err = nullptr;
  CommonOptions m_common;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  // The first input's alpha channel, and the outputs written.
  mutable std::optional<VnImage<VnBW8>> m_inputAlpha;
  mutable Report m_written = Report::List();
  struct Choice {
    std::string name;
    Report value;
    bool asText;
  };
  std::vector<Choice> m_chosen;
};

// A whole number in decimal, or hexadecimal after 0x; nothing else (no octal, no blanks).
std::optional<long long> ParseWholeNumber(const std::string& text);

// Runs an operation and throws OperationError when it throws or leaves an error code.
void CallOperation(const std::string& name, const std::function<void()>& operation);

// A zeroed image; throws OperationError when the memory cannot be had.
template <class T>
VnImage<T> NewImage(int width, int height) {
  VnImage<T> image(width, height);
  if (image.Void()) throw OperationError("allocating a " + std::to_string(width) + " x " + std::to_string(height) + " image", VnGetError(), {});
  return image;
}

// Calls f(VnImage<T>&) with the image's pixels when their type is one of Ts; otherwise a
// usage error names the types the command takes.
template <class... Ts, class F>
void WithPixels(const Invocation& call, AnyImage& image, F&& f) {
  std::visit(
      [&]<class T>(VnImage<T>& pixels) {
        if constexpr ((std::is_same_v<T, Ts> || ...)) {
          call.CheckOptionsApply(PixelBit<T>(), kPixelTypeName<T>);
          f(pixels);
        } else {
          throw UsageError(call.command().name + " takes " + PixelTypesText(kPixels<Ts...>) + " images, not " + kPixelTypeName<T>);
        }
      },
      image.pixels);
}

// Reads argument 0, computes a destination with f(VnImage<T>& source) and writes it to
// argument 1: the shape of most image-to-image commands.
// An input's alpha channel follows the command's AlphaRule.
template <class... Ts, class F>
void MapImage(Invocation& call, F&& f) {
  call.ExpectArguments(2, 2);
  AnyImage input = call.Read(0);
  call.CheckAlphaAccepted();
  WithPixels<Ts...>(call, input, [&](auto& source) {
    AnyImage output{f(source), std::nullopt};
    if constexpr ((std::is_same_v<Ts, VnBW8> || ...)) {
      if constexpr (std::is_same_v<decltype(f(*input.alpha)), VnImage<VnBW8>>) {
        if (input.alpha && call.command().alpha == AlphaRule::Transform) output.alpha = f(*input.alpha);
      }
    }
    call.Write(1, std::move(output));
  });
}

// The destination size options ("source" means the source's size).
extern const Option kWidthOption;
extern const Option kHeightOption;
template <class T>
VnImage<T> NewDestination(const Invocation& call, const VnROI<T>& source) {
  const auto side = [&](const std::string& option, int sourceSide) {
    return call.Text(option) == "source" ? sourceSide : static_cast<int>(call.Integer(option, 1, 1 << 20));
  };
  return NewImage<T>(side("width", source.GetWidth()), side("height", source.GetHeight()));
}

std::span<const Command> Commands();

// The whole tool: args excludes the program name.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Each family's commands, in the order --help lists them.
void AddFileCommands(std::vector<Command>& commands);
void AddPointCommands(std::vector<Command>& commands);
void AddHistogramCommands(std::vector<Command>& commands);
void AddThresholdCommands(std::vector<Command>& commands);
void AddGeometryCommands(std::vector<Command>& commands);
void AddFilterCommands(std::vector<Command>& commands);
void AddMorphologyCommands(std::vector<Command>& commands);
void AddBinaryMorphologyCommands(std::vector<Command>& commands);
void AddPredefinedFilterCommands(std::vector<Command>& commands);
void AddMomentsCommands(std::vector<Command>& commands);
void AddStatisticsCommands(std::vector<Command>& commands);
void AddConvertCommands(std::vector<Command>& commands);
void AddGradientCommands(std::vector<Command>& commands);
void AddLutCommands(std::vector<Command>& commands);
void AddCannyCommands(std::vector<Command>& commands);
void AddDemoCommand(std::vector<Command>& commands);

}  // namespace vnimg::tool
