// ImgOper on gray and colour images: the public forms reject the values they never accept,
// then hand over to a worker per operand shape that checks the ROIs and runs the row loops.
#include <array>
#include <new>

#include "point/oper_kernels.h"
#include "point/point_rows.h"
#include "vnimg/point.h"

namespace {

using namespace vnimg;
using point::Elem;
using point::ElemsPerPixel;
using point::RowsOf;
using Op = ARITH_LOGIC_OPERATIONS;

bool Among(int op, std::initializer_list<int> values) {
  for (int v : values)
    if (op == v) return true;
  return false;
}

// The first check of every form: a value the form never accepts raises 1003 before any ROI
// is read. True when the value was rejected.
bool Rejected(bool rejected, const char* trace) {
  if (rejected) frame::Fail(VN_ERR_UNSUPPORTED_OPERATION, trace);
  return rejected;
}
bool RejectedByConstantFirst(int op) { return Among(op, {ShiftLeft, ShiftRight, LogicalAND, LogicalOR, LogicalXOR, SetZero, SetNonZero}); }
bool RejectedByImageConstant(int op) { return Among(op, {LogicalAND, LogicalOR, LogicalXOR}); }
bool RejectedByTwoImages(int op) { return Among(op, {ShiftLeft, ShiftRight}); }

void NotImplemented(const char* trace) { frame::Fail(VN_ERR_NOT_IMPLEMENTED, trace); }

bool CheckNotNull(const char* trace, std::initializer_list<const VnGenericROI*> rois) {
  for (const VnGenericROI* roi : rois)
    if (!roi) {
      frame::Fail(VN_ERR_NULL_ROI, trace);
      return false;
    }
  return true;
}

bool CheckSameShape(const char* trace, std::initializer_list<const VnGenericROI*> rois) {
  return CheckNotNull(trace, rois) && frame::CheckRois(trace, rois);
}

// Mixed pixel types: validity and pixel buffers of each, then equal widths and heights (1403).
bool CheckMixed(const char* trace, std::initializer_list<const VnGenericROI*> rois) {
  if (!CheckNotNull(trace, rois) || !frame::CheckEachRoi(trace, rois)) return false;
  const VnGenericROI* first = *rois.begin();
  for (const VnGenericROI* roi : rois)
    if (roi->GetWidth() != first->GetWidth() || roi->GetHeight() != first->GetHeight()) {
      frame::Fail(VN_ERR_SIZE_MISMATCH, trace);
      return false;
    }
  return true;
}

template <class P>
std::size_t RowElems(const VnROI<P>& roi) {
  return static_cast<std::size_t>(roi.GetWidth()) * ElemsPerPixel<P>();
}

// ---- Workers on one pixel type (VnBW8, VnBW16, VnC24 as bytes) ----

template <class P>
void RunTwoImages(int op, const VnROI<P>& a, const VnROI<P>& b, VnROI<P>& d) {
  using E = Elem<P>;
  point::RunRows<E>(point::PickRow(op, E{}), RowsOf<const E>(a), RowsOf<const E>(b), RowsOf<E>(d), RowElems(d),
                    d.GetHeight());
}

// 8-bit values without a vector rule go through a 256-entry table t[x] = f(c, x) (or f(x, c)),
// which has vector variants of its own.
bool MapsThroughTable(int op, VnBW8) {
  const auto& variants = point::ByteRowVariants(op);
  return !point::ReadsDestination(op) && variants.Pick() == variants.plain;
}
template <class P>
bool MapsThroughTable(int, P) {
  return false;
}

void RunTable(int op, VnBW8 c, const VnROI<VnBW8>& x, VnROI<VnBW8>& d, bool constantFirst) {
  std::array<std::uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) {
    const auto pixel = static_cast<std::uint8_t>(v);
    table[v] = constantFirst ? point::OperPixel<std::uint8_t>(op, c, pixel, 0) : point::OperPixel<std::uint8_t>(op, pixel, c, 0);
  }
  const point::TableRowFn row = point::TableRowVariants().Pick();
  frame::ForEachRow(x, d, [&](const VnBW8* s, VnBW8* o, int width) { row(table.data(), s, o, static_cast<std::size_t>(width)); });
}

template <class P>
void RunWithConstant(int op, P c, const VnROI<P>& x, VnROI<P>& d, bool constantFirst, const char* trace) {
  using E = Elem<P>;
  if (MapsThroughTable(op, c)) {
    if constexpr (std::is_same_v<P, VnBW8>) RunTable(op, c, x, d, constantFirst);
    return;
  }
  try {
    const std::vector<E> constant = point::ConstantRow(c, x.GetWidth());
    const auto image = RowsOf<const E>(x);
    const auto repeated = point::RepeatedRow(constant);
    point::RunRows<E>(point::PickRow(op, E{}), constantFirst ? repeated : image, constantFirst ? image : repeated,
                      RowsOf<E>(d), RowElems(d), d.GetHeight());
  } catch (const std::bad_alloc&) {
    frame::Fail(VN_ERR_OUT_OF_MEMORY, trace);
  }
}

template <class P>
void TwoImageWorker(int op, const VnROI<P>* a, const VnROI<P>* b, VnROI<P>* d, const char* trace) {
  if (!CheckSameShape(trace, {a, b, d})) return;
  if (!point::HasTwoOperandRule(op) || Among(op, {ShiftLeft, ShiftRight})) return NotImplemented(trace);
  RunTwoImages(op, *a, *b, *d);
}

// dst = f(c, x): the values of the constant-first form.
template <class P>
void ConstantFirstWorker(int op, P c, const VnROI<P>* x, VnROI<P>* d, const char* trace) {
  if (!CheckSameShape(trace, {x, d})) return;
  if (!point::HasTwoOperandRule(op) || RejectedByConstantFirst(op)) return NotImplemented(trace);
  RunWithConstant(op, c, *x, *d, true, trace);
}

// dst = f(x, c) for the values that are not commutative.
template <class P>
void ImageConstantWorker(int op, const VnROI<P>* x, P c, VnROI<P>* d, const char* trace) {
  if (!CheckSameShape(trace, {x, d})) return;
  if (!Among(op, {Subtract, Divide, Modulo, ShiftLeft, ShiftRight, ScaledDivide, SetZero, SetNonZero}))
    return NotImplemented(trace);
  RunWithConstant(op, c, *x, *d, false, trace);
}

// M - c in every channel: for unsigned channels, the bitwise complement.
template <class P>
P Complement(P c) {
  auto* bytes = reinterpret_cast<unsigned char*>(&c);
  for (std::size_t i = 0; i < sizeof(P); ++i) bytes[i] = static_cast<unsigned char>(~bytes[i]);
  return c;
}

// The image-constant form: commutative values (and the mirrored comparisons, and
// ScaledSubtract as ScaledAdd with M - c) run through the constant-first worker.
template <class P>
void ImageConstantForm(Op op, const VnROI<P>* x, P c, VnROI<P>* d, const char* trace) {
  if (Rejected(RejectedByImageConstant(op), trace)) return;
  switch (op) {
    case Add: case Multiply: case ScaledAdd: case ScaledMultiply: case BitwiseAND: case BitwiseOR:
    case BitwiseXOR: case Min: case Max: case Equal: case NotEqual: case Compare:
      return ConstantFirstWorker(op, c, x, d, trace);
    case GreaterOrEqual: return ConstantFirstWorker(LesserOrEqual, c, x, d, trace);
    case LesserOrEqual: return ConstantFirstWorker(GreaterOrEqual, c, x, d, trace);
    case Greater: return ConstantFirstWorker(Lesser, c, x, d, trace);
    case Lesser: return ConstantFirstWorker(Greater, c, x, d, trace);
    case ScaledSubtract: return ConstantFirstWorker(ScaledAdd, Complement(c), x, d, trace);
    default: return ImageConstantWorker(op, x, c, d, trace);
  }
}

// 0 copies, 1 inverts (XOR with all ones).
template <class P>
void OneImageWorker(int op, const VnROI<P>* src, VnROI<P>* dst, const char* trace) {
  if (!CheckSameShape(trace, {src, dst})) return;
  if (op == Copy) return point::CopyRows(*src, *dst);
  if (op != Invert) return NotImplemented(trace);
  RunWithConstant(BitwiseXOR, Complement(P{}), *src, *dst, true, trace);
}

template <class P>
void FillWorker(int op, P value, VnROI<P>* dst, const char* trace) {
  if (!CheckSameShape(trace, {dst})) return;
  if (op != Copy) return NotImplemented(trace);
  point::FillRows(value, *dst);
}

// ---- Mixed pixel types (plain loops) ----

bool IsBlack(VnC24 c) { return c.c0 == 0 && c.c1 == 0 && c.c2 == 0; }

// The 8-bit rule on each channel of c against the gray value; old is the destination pixel.
VnC24 ApplyGray(int op, VnBW8 gray, VnC24 c, VnC24 old, bool grayFirst) {
  const auto rule = [&](std::uint8_t channel, std::uint8_t previous) {
    return grayFirst ? point::OperPixel<std::uint8_t>(op, gray, channel, previous)
                     : point::OperPixel<std::uint8_t>(op, channel, gray, previous);
  };
  return {rule(c.c0, old.c0), rule(c.c1, old.c1), rule(c.c2, old.c2)};
}

// A gray and a colour image into a colour image; the gray value is a when grayFirst, else b.
void GrayColourWorker(int op, const VnROI<VnBW8>* gray, const VnROI<VnC24>* colour, VnROI<VnC24>* dst,
                      bool grayFirst, const char* trace) {
  const VnGenericROI* first = grayFirst ? static_cast<const VnGenericROI*>(gray) : colour;
  const VnGenericROI* second = grayFirst ? static_cast<const VnGenericROI*>(colour) : gray;
  if (!CheckMixed(trace, {first, second, dst})) return;
  if (op != Overlay && (!point::HasTwoOperandRule(op) || RejectedByTwoImages(op))) return NotImplemented(trace);
  const VnC24 overlay = ImgGetOverlayColor();
  frame::ForEachRow(*gray, *colour, *dst, [&](const VnBW8* g, const VnC24* c, VnC24* d, int width) {
    for (int i = 0; i < width; ++i)
      d[i] = op == Overlay ? (g[i] ? overlay : c[i]) : ApplyGray(op, g[i], c[i], d[i], grayFirst);
  });
}

}  // namespace

// ---- VnBW8 ----

void ImgOper(Op op, VnBW8 value, VnROI<VnBW8>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Const to Image)";
  VnOk();
  if (Rejected(op != Copy, kTrace)) return;
  FillWorker(op, value, dst, kTrace);
}

void ImgOper(Op op, const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Image to Image)";
  VnOk();
  if (Rejected(op != Copy && op != Invert, kTrace)) return;
  OneImageWorker(op, src, dst, kTrace);
}

void ImgOper(Op op, VnROI<VnBW8>* src, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Image to C24 Image)";
  VnOk();
  if (Rejected(!Among(op, {Copy, Invert, Overlay}), kTrace)) return;
  if (!CheckMixed(kTrace, {src, dst})) return;
  const VnC24 overlay = ImgGetOverlayColor();
  frame::ForEachRow(*src, *dst, [&](const VnBW8* g, VnC24* d, int width) {
    for (int i = 0; i < width; ++i) {
      const auto v = static_cast<std::uint8_t>(op == Invert ? 255 - g[i] : g[i]);
      if (op != Overlay) d[i] = {v, v, v};
      else if (g[i]) d[i] = overlay;
    }
  });
}

void ImgOper(Op op, VnBW8 value, const VnROI<VnBW8>* src, VnROI<VnBW8>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Const, Image to Image)";
  VnOk();
  if (Rejected(RejectedByConstantFirst(op), kTrace)) return;
  ConstantFirstWorker(op, value, src, dst, kTrace);
}

void ImgOper(Op op, const VnROI<VnBW8>* src, VnBW8 value, VnROI<VnBW8>* dst) {
  VnOk();
  ImageConstantForm(op, src, value, dst, "ImgOper ( BW8 Image, Const to Image)");
}

void ImgOper(Op op, const VnROI<VnBW8>* a, const VnROI<VnBW8>* b, VnROI<VnBW8>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Image, Image to Image)";
  VnOk();
  if (Rejected(RejectedByTwoImages(op), kTrace)) return;
  TwoImageWorker(op, a, b, dst, kTrace);
}

void ImgOper(Op op, VnROI<VnBW8>* a, VnROI<VnBW8>* b, VnROI<VnBW16>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Image and BW8 Image to BW16 Image)";
  VnOk();
  if (Rejected(!Among(op, {Add, Subtract, Multiply, Divide}), kTrace)) return;
  if (!CheckMixed(kTrace, {a, b, dst})) return;
  frame::ForEachRow(*a, *b, *dst, [&](const VnBW8* x, const VnBW8* y, VnBW16* d, int width) {
    // Widened to 16 bits the sum and product never saturate; a zero divisor gives 65535.
    for (int i = 0; i < width; ++i) d[i] = point::OperPixel<VnBW16>(op, x[i], y[i], 0);
  });
}

void ImgOper(Op op, VnROI<VnBW8>* gray, VnROI<VnBW8>* mask, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Image, BW8 Image to C24 Image)";
  VnOk();
  if (Rejected(op != Overlay, kTrace)) return;
  if (!CheckMixed(kTrace, {gray, mask, dst})) return;
  const VnC24 overlay = ImgGetOverlayColor();
  frame::ForEachRow(*gray, *mask, *dst, [&](const VnBW8* g, const VnBW8* m, VnC24* d, int width) {
    for (int i = 0; i < width; ++i) d[i] = m[i] ? overlay : VnC24{g[i], g[i], g[i]};
  });
}

void ImgOper(Op op, VnROI<VnBW8>* gray, VnROI<VnC24>* colour, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW8 Image, C24 Image to C24 Image)";
  VnOk();
  if (Rejected(RejectedByTwoImages(op), kTrace)) return;
  GrayColourWorker(op, gray, colour, dst, true, kTrace);
}

// ---- VnBW16 ----

void ImgOper(Op op, VnBW16 value, VnROI<VnBW16>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW16 Const to Image)";
  VnOk();
  if (Rejected(op != Copy, kTrace)) return;
  FillWorker(op, value, dst, kTrace);
}

void ImgOper(Op op, VnROI<VnBW16>* src, VnROI<VnBW16>* dst) {
  constexpr const char* kTrace = "ImgOper (BW16 Image to Image)";
  VnOk();
  if (Rejected(op != Copy && op != Invert, kTrace)) return;
  OneImageWorker<VnBW16>(op, src, dst, kTrace);
}

void ImgOper(Op op, VnBW16 value, VnROI<VnBW16>* src, VnROI<VnBW16>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW16 Const, Image to Image)";
  VnOk();
  if (Rejected(RejectedByConstantFirst(op), kTrace)) return;
  ConstantFirstWorker<VnBW16>(op, value, src, dst, kTrace);
}

void ImgOper(Op op, VnROI<VnBW16>* src, VnBW16 value, VnROI<VnBW16>* dst) {
  VnOk();
  ImageConstantForm<VnBW16>(op, src, value, dst, "ImgOper ( BW16 Image, Const to Image)");
}

void ImgOper(Op op, VnROI<VnBW16>* a, VnROI<VnBW16>* b, VnROI<VnBW16>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW16 Image, Image to Image)";
  VnOk();
  if (Rejected(RejectedByTwoImages(op), kTrace)) return;
  TwoImageWorker<VnBW16>(op, a, b, dst, kTrace);
}

void ImgOper(Op op, VnROI<VnBW16>* a, VnROI<VnBW8>* b, VnROI<VnBW16>* dst) {
  constexpr const char* kTrace = "ImgOper ( BW16 Image and BW8 Image to BW16 IMage)";
  VnOk();
  if (Rejected(!Among(op, {Add, Subtract, Multiply, Divide, WrappingAdd, WrappingSubtract}), kTrace)) return;
  if (!CheckMixed(kTrace, {a, b, dst})) return;
  frame::ForEachRow(*a, *b, *dst, [&](const VnBW16* x, const VnBW8* y, VnBW16* d, int width) {
    for (int i = 0; i < width; ++i) {
      if (op == WrappingAdd) d[i] = static_cast<VnBW16>(x[i] + y[i]);
      else if (op == WrappingSubtract) d[i] = static_cast<VnBW16>(x[i] - y[i]);
      else d[i] = point::OperPixel<VnBW16>(op, x[i], y[i], 0);
    }
  });
}

// ---- VnC24 ----

void ImgOper(Op op, VnC24 value, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( C24 Const to Image)";
  VnOk();
  if (Rejected(op != Copy, kTrace)) return;
  FillWorker(op, value, dst, kTrace);
}

void ImgOper(Op op, VnROI<VnC24>* src, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( C24 Image to Image)";
  VnOk();
  if (Rejected(!Among(op, {Copy, Invert, Overlay}), kTrace)) return;
  OneImageWorker<VnC24>(op, src, dst, kTrace);
}

void ImgOper(Op op, VnC24 value, VnROI<VnC24>* src, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( C24 Const, Image to Image)";
  VnOk();
  if (Rejected(RejectedByConstantFirst(op), kTrace)) return;
  ConstantFirstWorker<VnC24>(op, value, src, dst, kTrace);
}

void ImgOper(Op op, VnROI<VnC24>* src, VnC24 value, VnROI<VnC24>* dst) {
  VnOk();
  ImageConstantForm<VnC24>(op, src, value, dst, "ImgOper ( C24 Image, Const to Image)");
}

void ImgOper(Op op, VnROI<VnC24>* a, VnROI<VnC24>* b, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( C24 Image, Image to Image)";
  VnOk();
  if (Rejected(RejectedByTwoImages(op), kTrace)) return;
  if (op != Overlay) return TwoImageWorker<VnC24>(op, a, b, dst, kTrace);
  if (!CheckSameShape(kTrace, {a, b, dst})) return;
  frame::ForEachRow(*a, *b, *dst, [&](const VnC24* x, const VnC24* y, VnC24* d, int width) {
    for (int i = 0; i < width; ++i) d[i] = IsBlack(y[i]) ? x[i] : y[i];
  });
}

void ImgOper(Op op, VnROI<VnC24>* colour, VnROI<VnBW8>* gray, VnROI<VnC24>* dst) {
  constexpr const char* kTrace = "ImgOper ( C24 Image, BW8 Image to C24 Image)";
  VnOk();
  if (Rejected(RejectedByTwoImages(op), kTrace)) return;
  GrayColourWorker(op, gray, colour, dst, false, kTrace);
}
