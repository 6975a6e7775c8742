// Pixel-wise arithmetic, logic and copy. Operands are images or constants, in the order the
// operation takes them: `vnimg oper a.png 10 out.png --op subtract` is a - 10,
// `vnimg oper 10 a.png out.png --op subtract` is 10 - a.
#include <filesystem>

#include "cli.h"

namespace vnimg::tool {
namespace {

const EnumName kOperations[] = {
    {"copy", Copy}, {"invert", Invert}, {"add", Add}, {"subtract", Subtract}, {"multiply", Multiply},
    {"divide", Divide}, {"modulo", Modulo}, {"shift-left", ShiftLeft}, {"shift-right", ShiftRight},
    {"scaled-add", ScaledAdd}, {"scaled-subtract", ScaledSubtract}, {"scaled-multiply", ScaledMultiply},
    {"scaled-divide", ScaledDivide}, {"bitwise-and", BitwiseAND}, {"bitwise-or", BitwiseOR},
    {"bitwise-xor", BitwiseXOR}, {"logical-and", LogicalAND}, {"logical-or", LogicalOR},
    {"logical-xor", LogicalXOR}, {"min", Min}, {"max", Max}, {"set-zero", SetZero},
    {"set-non-zero", SetNonZero}, {"equal", Equal}, {"not-equal", NotEqual},
    {"greater-or-equal", GreaterOrEqual}, {"lesser-or-equal", LesserOrEqual}, {"greater", Greater},
    {"lesser", Lesser}, {"wrapping-add", WrappingAdd}, {"wrapping-subtract", WrappingSubtract},
    {"compare", Compare}, {"overlay", Overlay},
};

const char* OperationName(ARITH_LOGIC_OPERATIONS op) {
  for (const EnumName& name : kOperations)
    if (name.value == op) return name.name;
  return "?";
}

// A constant unless a file of that name exists: digits, commas and 0x hexadecimal only.
bool IsConstant(const std::string& argument) {
  std::error_code error;
  return !argument.empty() && !std::filesystem::exists(argument, error) &&
         argument.find_first_not_of("0123456789,xXabcdefABCDEF") == std::string::npos && std::isdigit(static_cast<unsigned char>(argument[0]));
}

// A pixel value: a number for gray, "r,g,b" or one number for colour; decimal, or
// hexadecimal after 0x.
template <class T>
T Constant(const std::string& text) {
  const auto number = [&](const std::string& part, long long most) {
    const std::optional<long long> value = ParseWholeNumber(part);
    if (!value || *value > most)
      throw UsageError("'" + text + "' is neither an image file nor a pixel value (0 to " + std::to_string(most) + ")");
    return *value;
  };
  if constexpr (std::is_same_v<T, VnC24>) {
    const std::size_t first = text.find(','), second = text.find(',', first + 1);
    if (first == std::string::npos) {
      const auto v = static_cast<unsigned char>(number(text, 255));
      return VnC24{v, v, v};
    }
    if (second == std::string::npos) throw UsageError("a colour is r,g,b: '" + text + "'");
    return VnC24{static_cast<unsigned char>(number(text.substr(second + 1), 255)),
                 static_cast<unsigned char>(number(text.substr(first + 1, second - first - 1), 255)),
                 static_cast<unsigned char>(number(text.substr(0, first), 255))};
  } else {
    return static_cast<T>(number(text, std::is_same_v<T, VnBW16> ? 65535 : std::is_same_v<T, VnBW1> ? 1 : 255));
  }
}

// Whether `run(op)` (the form about to run, on 1 x 1 images) exists for the operation: the
// library says 1003 or 32767 when it does not.
template <class Run>
bool HasForm(ARITH_LOGIC_OPERATIONS op, const Run& run) {
  VnOk();
  try {
    run(op);
  } catch (const Korvane::Quandor::Exception&) {
    VnOk();
    return false;
  }
  const int code = VnGetError();
  VnOk();
  return code != VN_ERR_UNSUPPORTED_OPERATION && code != VN_ERR_NOT_IMPLEMENTED;
}

template <class Run>
void CheckForm(ARITH_LOGIC_OPERATIONS op, const std::string& operands, const Run& run) {
  if (HasForm(op, run)) return;
  std::string known;
  for (const EnumName& name : kOperations)
    if (HasForm(static_cast<ARITH_LOGIC_OPERATIONS>(name.value), run)) known += (known.empty() ? "" : ", ") + std::string(name.name);
  throw UsageError(std::string("--op ") + OperationName(op) + " has no form for " + operands + "; these do: " + known);
}

template <class T>
VnImage<T> Pixel() {
  return NewImage<T>(1, 1);
}

void OperOnOne(Invocation& call, ARITH_LOGIC_OPERATIONS op) {
  MapImage<VnBW1, VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> a = Pixel<T>(), b = Pixel<T>(), d = Pixel<T>();
    if (!HasForm(op, [&](ARITH_LOGIC_OPERATIONS o) { ImgOper(o, &a, &d); }) &&
        HasForm(op, [&](ARITH_LOGIC_OPERATIONS o) { ImgOper(o, &a, &b, &d); }))
      throw UsageError(std::string("--op ") + OperationName(op) + " needs a second operand: vnimg oper A B OUT (B may be a constant)");
    CheckForm(op, std::string("one ") + kPixelTypeName<T> + " image alone", [&](ARITH_LOGIC_OPERATIONS o) { ImgOper(o, &a, &d); });
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgOper", [&] { ImgOper(op, &src, &dst); });
    return dst;
  });
}

template <class A, class B, class D>
void OperOnImages(Invocation& call, ARITH_LOGIC_OPERATIONS op, VnImage<A>& a, VnImage<B>& b) {
  VnImage<A> a1 = Pixel<A>();
  VnImage<B> b1 = Pixel<B>();
  VnImage<D> d1 = Pixel<D>();
  CheckForm(op, std::string(kPixelTypeName<A>) + " and " + kPixelTypeName<B> + " images",
            [&](ARITH_LOGIC_OPERATIONS o) { ImgOper(o, &a1, &b1, &d1); });
  VnImage<D> dst = NewImage<D>(a.GetWidth(), a.GetHeight());
  CallOperation("ImgOper", [&] { ImgOper(op, &a, &b, &dst); });
  call.Write(2, std::move(dst));
}

void OperOnTwo(Invocation& call, ARITH_LOGIC_OPERATIONS op) {
  const bool firstConstant = IsConstant(call.Argument(0)), secondConstant = IsConstant(call.Argument(1));
  if (firstConstant && secondConstant) throw UsageError("at least one operand must be an image file");
  if (firstConstant || secondConstant) {
    AnyImage image = call.Read(firstConstant ? 1 : 0);
    WithPixels<VnBW8, VnBW16, VnC24>(call, image, [&]<class T>(VnImage<T>& src) {
      const T value = Constant<T>(call.Argument(firstConstant ? 0 : 1));
      const auto run = [&](ARITH_LOGIC_OPERATIONS o, VnImage<T>& s, VnImage<T>& d) {
        if (firstConstant) {
          ImgOper(o, value, &s, &d);
        } else {
          ImgOper(o, &s, value, &d);
        }
      };
      VnImage<T> s1 = Pixel<T>(), d1 = Pixel<T>();
      CheckForm(op, std::string(firstConstant ? "a constant and " : "") + kPixelTypeName<T> + (firstConstant ? " images" : " images and a constant"),
                [&](ARITH_LOGIC_OPERATIONS o) { run(o, s1, d1); });
      VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
      CallOperation("ImgOper", [&] { run(op, src, dst); });
      call.Write(2, std::move(dst));
    });
    return;
  }
  AnyImage first = call.Read(0), second = call.Read(1);
  std::visit(
      [&]<class A, class B>(VnImage<A>& a, VnImage<B>& b) {
        if constexpr (std::is_same_v<A, VnBW8> && std::is_same_v<B, VnBW8>) {
          // Painting a mask over a gray picture gives colour; everything else stays gray.
          if (op == Overlay) return OperOnImages<A, B, VnC24>(call, op, a, b);
          OperOnImages<A, B, VnBW8>(call, op, a, b);
        } else if constexpr (std::is_same_v<A, B> && !std::is_floating_point_v<A>) {
          OperOnImages<A, B, A>(call, op, a, b);
        } else if constexpr (std::is_same_v<A, VnBW16> && std::is_same_v<B, VnBW8>) {
          OperOnImages<A, B, VnBW16>(call, op, a, b);
        } else if constexpr ((std::is_same_v<A, VnBW8> && std::is_same_v<B, VnC24>) ||
                             (std::is_same_v<A, VnC24> && std::is_same_v<B, VnBW8>)) {
          OperOnImages<A, B, VnC24>(call, op, a, b);
        } else {
          throw UsageError(std::string("oper cannot combine a ") + kPixelTypeName<A> + " and a " + kPixelTypeName<B> + " image");
        }
      },
      first.pixels, second.pixels);
}

void Oper(Invocation& call) {
  call.ExpectArguments(2, 3);
  const auto op = static_cast<ARITH_LOGIC_OPERATIONS>(call.Enum("op", 0, 1000));
  ImgSetOverlayColor(Constant<VnC24>(call.Text("overlay-color")));
  if (call.ArgumentCount() == 2) {
    OperOnOne(call, op);
  } else {
    OperOnTwo(call, op);
  }
}

void CopyImage(Invocation& call) {
  call.ExpectArguments(2, 2);
  AnyImage input = call.Read(0);
  if (call.Flag("drop-alpha")) input.alpha.reset(), call.DropAlpha();
  AnyImage output{VnImage<VnBW1>(), std::nullopt};
  WithPixels<VnBW1, VnBW8, VnBW16, VnC24>(call, input, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgCopy", [&] { ImgCopy(&src, &dst); });
    output.pixels = std::move(dst);
  });
  if (input.alpha) {
    output.alpha = NewImage<VnBW8>(input.Width(), input.Height());
    CallOperation("ImgCopy", [&] { ImgCopy(&*input.alpha, &*output.alpha); });
  }
  call.Write(1, std::move(output));
}

}  // namespace

void AddPointCommands(std::vector<Command>& commands) {
  commands.push_back({"oper", "A [B] OUT", "Pixel-wise arithmetic, logic or comparison",
                      {{"op", "", "the operation", kOperations},
                       {"overlay-color", "255,0,0", "r,g,b painted by --op overlay"}},
                      Oper,
                      "A and B are image files or constants (a number, or r,g,b for colour images), in the\n"
                      "operation's order; with A alone the operation is copy or invert. Same-type images combine\n"
                      "into that type; 16-bit with 8-bit gives 16-bit; gray with colour gives colour; --op\n"
                      "overlay over two 8-bit images paints B's non-zero pixels on A in colour. The destination\n"
                      "starts black, which set-zero and set-non-zero keep where they do not write. The output\n"
                      "keeps the first image's alpha channel.",
                      AlphaRule::Keep});
  commands.push_back({"copy", "IN OUT", "Copy an image (also converts between file formats)",
                      {{"drop-alpha", "", "leave the alpha channel out", {}, true}}, CopyImage, "", AlphaRule::Keep});
}

}  // namespace vnimg::tool
