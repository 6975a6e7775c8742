// The command framework of the vnimg tool. A command names its positional arguments, its
// options (named after the operation's parameters, with their defaults) and a function that
// reads the inputs, calls the library and writes or prints the results:
//
//   commands.push_back({"halve", "IN OUT", "Halve an image (2 x 2 block means)",
//                       {{"drop-odd", "0", "1: ignore an odd last column or row"}},
//                       [](Invocation& call) { ... }});
//
// Exit status: 0 done, 1 the operation failed (its code, text and trace are printed), 2 bad
// command line or image file (nothing is written).
#pragma once

#include <functional>
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

  AnyImage Read(std::size_t argument) const;
  void Write(std::size_t argument, AnyImage image) const;
  template <class T>
  void Write(std::size_t argument, VnImage<T> image) const {
    Write(argument, AnyImage{std::move(image), std::nullopt});
  }

 private:
  const Option& Declared(const std::string& option) const;
  const Command& m_command;
  std::vector<std::string> m_arguments;
  std::vector<std::pair<std::string, std::string>> m_options;
  bool m_json;
  std::ostream& m_out;
};

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
          f(pixels);
        } else {
          std::string accepted;
          ((accepted += (accepted.empty() ? "" : ", ") + std::string(kPixelTypeName<Ts>)), ...);
          throw UsageError(call.command().name + " takes " + accepted + " images, not " + kPixelTypeName<T>);
        }
      },
      image.pixels);
}

// Reads argument 0, computes a destination with f(VnImage<T>& source) and writes it to
// argument 1: the shape of most image-to-image commands.
template <class... Ts, class F>
void MapImage(Invocation& call, F&& f) {
  call.ExpectArguments(2, 2);
  AnyImage input = call.Read(0);
  WithPixels<Ts...>(call, input, [&](auto& source) { call.Write(1, f(source)); });
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
void AddConvertCommands(std::vector<Command>& commands);
void AddDemoCommand(std::vector<Command>& commands);

}  // namespace vnimg::tool
