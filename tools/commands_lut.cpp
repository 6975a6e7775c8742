// Gray-level mappings: a lookup table from a file, gain and offset, normalisation,
// equalisation and flat-field uniformisation against one or two reference images.
#include <fstream>
#include <sstream>

#include "cli.h"

namespace vnimg::tool {
namespace {

template <class T>
constexpr long long kTop = std::is_same_v<T, VnBW16> ? 65535 : 255;

// The table file: whole numbers separated by blanks or new lines, or a JSON array of them.
std::vector<long long> TableFile(const std::string& path, long long top) {
  std::ifstream in(path);
  if (!in) throw UsageError("--table: cannot read '" + path + "'");
  std::stringstream text;
  text << in.rdbuf();
  std::string body = text.str();
  const std::size_t open = body.find_first_not_of(" \t\r\n");
  if (open != std::string::npos && body[open] == '[') {
    const std::size_t close = body.find_last_not_of(" \t\r\n");
    if (body[close] != ']') throw UsageError("--table: a JSON array ends with ']'");
    body = body.substr(open + 1, close - open - 1);
    for (char& c : body)
      if (c == ',') c = ' ';
  }
  std::istringstream words(body);
  std::vector<long long> values;
  for (std::string word; words >> word;) {
    const std::optional<long long> value = ParseWholeNumber(word);
    if (!value || *value > top) throw UsageError("--table: '" + word + "' is not a value from 0 to " + std::to_string(top));
    values.push_back(*value);
  }
  return values;
}

void Lut(Invocation& call) {
  MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    const std::vector<long long> values = TableFile(call.Text("table"), kTop<T>);
    const std::size_t size = std::size_t{1} << (8 * sizeof(T));
    if (values.size() != size) throw UsageError("--table holds " + std::to_string(values.size()) + " values, not the " + std::to_string(size) + " of the image's levels");
    VnVectorTemplate<T> lut(static_cast<unsigned>(size));
    for (std::size_t i = 0; i < size; ++i) lut[static_cast<unsigned>(i)] = static_cast<T>(values[i]);
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgLut", [&] { ImgLut(&src, &dst, &lut); });
    return dst;
  });
}

void GainOffset(Invocation& call) {
  const auto gain = static_cast<float>(call.Real("gain")), offset = static_cast<float>(call.Real("offset"));
  MapImage<VnBW8, VnBW16, VnC24>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgGainOffset", [&] {
      if constexpr (std::is_same_v<T, VnC24>) ImgGainOffset(&src, &dst, VnColor{gain, gain, gain}, VnColor{offset, offset, offset});
      else ImgGainOffset(&src, &dst, gain, offset);
    });
    return dst;
  });
}

void Normalize(Invocation& call) {
  const auto mean = static_cast<float>(call.Real("mean")), stdDev = static_cast<float>(call.Real("std-dev"));
  MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgNormalize", [&] { ImgNormalize(&src, &dst, mean, stdDev); });
    return dst;
  });
}

void Equalize(Invocation& call) {
  MapImage<VnBW8, VnBW16>(call, [&]<class T>(VnImage<T>& src) {
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgEqualize", [&] { ImgEqualize(&src, &dst); });
    return dst;
  });
}

// A level option as a pixel: one value for every channel of a colour image.
template <class T>
T Level(const Invocation& call, const std::string& option) {
  const auto v = call.Integer(option, 0, kTop<T>);
  if constexpr (std::is_same_v<T, VnC24>) return VnC24{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)};
  else return static_cast<T>(v);
}

// The inputs (the source, then the references) as images of the source's type.
template <class F>
void WithReferences(Invocation& call, std::size_t inputs, F&& f) {
  call.ExpectArguments(inputs + 1, inputs + 1);
  std::vector<AnyImage> images;
  for (std::size_t i = 0; i < inputs; ++i) images.push_back(call.Read(i));
  WithPixels<VnBW8, VnBW16, VnC24>(call, images[0], [&]<class T>(VnImage<T>& src) {
    std::vector<VnImage<T>*> refs;
    for (std::size_t i = 1; i < inputs; ++i) {
      auto* ref = std::get_if<VnImage<T>>(&images[i].pixels);
      if (!ref) throw UsageError("the reference " + call.Argument(i) + " must be of the source's pixel type, " + kPixelTypeName<T>);
      refs.push_back(ref);
    }
    VnImage<T> dst = NewImage<T>(src.GetWidth(), src.GetHeight());
    CallOperation("ImgUniformize", [&] { f(src, refs, dst); });
    call.Write(inputs, std::move(dst));
  });
}

void Uniformize(Invocation& call) {
  WithReferences(call, 2, [&]<class T>(VnImage<T>& src, std::vector<VnImage<T>*>& refs, VnImage<T>& dst) {
    ImgUniformize(&src, Level<T>(call, "level"), refs[0], &dst, call.Flag("multiplicative") ? 1 : 0);
  });
}

void UniformizeLightDark(Invocation& call) {
  WithReferences(call, 3, [&]<class T>(VnImage<T>& src, std::vector<VnImage<T>*>& refs, VnImage<T>& dst) {
    ImgUniformize(&src, Level<T>(call, "light-level"), refs[0], Level<T>(call, "dark-level"), refs[1], &dst);
  });
}

const CodeMeaning kSizes{VN_ERR_SIZE_MISMATCH, "the images are not all of one size"};

}  // namespace

void AddLutCommands(std::vector<Command>& commands) {
  commands.push_back({"lut", "IN OUT", "Map every pixel through a table (ImgLut)",
                      {{"table", "", "a file of 256 (8-bit) or 65536 (16-bit) values, one per line or a JSON array"}},
                      Lut, "", AlphaRule::Keep});
  commands.push_back({"gain-offset", "IN OUT", "dst = src * gain + offset, clamped (ImgGainOffset)",
                      {{"gain", "1", "the factor (8- and 16-bit: held in 1/32 steps)"}, {"offset", "0", "added after the gain"}},
                      GainOffset, "A colour image takes the same gain and offset in every channel.", AlphaRule::Keep});
  commands.push_back({"normalize", "IN OUT", "Map to a wanted mean and standard deviation (ImgNormalize)",
                      {{"mean", "128", "the wanted mean"}, {"std-dev", "40", "the wanted standard deviation"}},
                      Normalize, "", AlphaRule::Keep});
  commands.push_back({"equalize", "IN OUT", "Histogram equalisation (ImgEqualize)", {}, Equalize, "", AlphaRule::Keep});
  commands.push_back({"uniformize", "IN REF OUT", "Flat-field correction against a reference image (ImgUniformize)",
                      {{"level", "", "the level a reference pixel maps to", {}, false, kAnyPixels, Range{0, 65535}},
                       {"multiplicative", "", "src * level / ref instead of src - ref + level", {}, true}},
                      Uniformize, "A colour image takes the level in every channel.", AlphaRule::Refuse, {kSizes}});
  commands.push_back({"uniformize-light-dark", "IN LIGHT DARK OUT",
                      "Map the light reference to one level and the dark one to another (ImgUniformize)",
                      {{"light-level", "", "the level of the light reference", {}, false, kAnyPixels, Range{0, 65535}},
                       {"dark-level", "", "the level of the dark reference", {}, false, kAnyPixels, Range{0, 65535}}},
                      UniformizeLightDark, "Where the two references are equal the output is the maximum.", AlphaRule::Refuse,
                      {kSizes}});
}

}  // namespace vnimg::tool
