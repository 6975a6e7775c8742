#!/usr/bin/env python3
"""Turns a vnimg_bench JSON file (run with --benchmark_repetitions and aggregates) into the
Markdown tables of docs/performance.md: per operation and size, our median, OpenCV's, the
ratio (OpenCV's time over ours) and the bytes we read and write per second as a fraction of
BM_MemoryCopy's (an 8-bit image of the same width and height) in the same run.

    build/default/bench/vnimg_bench --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_enable_random_interleaving=true \
        --benchmark_out=bench.json
    python3 bench/report.py bench.json
"""
import json
import sys

SIZES = [("224x224", ("/224/224", "w:224/h:224")), ("1920x1080", ("/1920/1080", "w:1920/h:1080")),
         ("4096x4096", ("/4096/4096", "w:4096/h:4096"))]

# (section, operation, our benchmark, OpenCV's benchmark or None)
ROWS = [
    ("Memory baseline", "memcpy of an 8-bit image", "BM_MemoryCopy", "BM_OpenCV_CopyTo"),
    ("Memory baseline", "bit image at offset 3 to aligned (`ImgBW1Alignment`)", "BM_BW1Alignment", None),
    ("Memory baseline", "aligned to offset 3 (`ImgBW1UnAlignment`)", "BM_BW1UnAlignment", None),
    ("Point operations", "Add / `cv::add`", "BM_Oper8/Add", "BM_OpenCV_Oper8/Add"),
    ("Point operations", "Subtract / `cv::subtract`", "BM_Oper8/Subtract", "BM_OpenCV_Oper8/Subtract"),
    ("Point operations", "absolute difference (33) / `cv::absdiff`", "BM_Oper8/Compare", "BM_OpenCV_Oper8/AbsDiff"),
    ("Point operations", "Min / `cv::min`", "BM_Oper8/Min", "BM_OpenCV_Oper8/Min"),
    ("Point operations", "BitwiseAND / `cv::bitwise_and`", "BM_Oper8/BitwiseAND", "BM_OpenCV_Oper8/BitwiseAnd"),
    ("Point operations", "GreaterOrEqual, two images / `cv::compare`", "BM_Oper8/GreaterOrEqual", "BM_OpenCV_Oper8/CompareGE"),
    ("Point operations", "GreaterOrEqual, image and constant / `cv::compare`", "BM_Oper8Const/GreaterOrEqual", "BM_OpenCV_Const8/CompareGE"),
    ("Point operations", "Subtract, image and constant / `cv::subtract`", "BM_Oper8Const/Subtract", "BM_OpenCV_Const8/Subtract"),
    ("Point operations", "ScaledAdd / `cv::addWeighted` (rounds)", "BM_Oper8/ScaledAdd", "BM_OpenCV_Oper8/AddWeighted"),
    ("Point operations", "Multiply / `cv::multiply`", "BM_Oper8/Multiply", "BM_OpenCV_Oper8/Multiply"),
    ("Point operations", "Divide by a constant (table) / `cv::divide` (rounds)", "BM_Oper8Const/DivideByTable", "BM_OpenCV_DivideConst8"),
    ("Point operations", "copy (`ImgCopy`) / `copyTo`", "BM_Copy8", "BM_OpenCV_Copy8"),
    ("Point operations", "fill (`ImgCopy` constant) / `setTo`", "BM_Fill8", "BM_OpenCV_Fill8"),
    ("Point operations", "`VnBW16` Add / `cv::add`", "BM_Oper16/Add", "BM_OpenCV_Oper8/Add16"),
    ("Histograms", "8-bit histogram, noise / `cv::calcHist`", "BM_HistogramBW8/{size}/constant:0", "BM_HistogramBW8_OpenCV/{size}/constant:0"),
    ("Histograms", "8-bit histogram, constant image / `cv::calcHist`", "BM_HistogramBW8/{size}/constant:1", "BM_HistogramBW8_OpenCV/{size}/constant:1"),
    ("Histograms", "8-bit histogram, mask runs of a disc (46 % of the height)", "BM_HistogramBW8MaskRuns/{size}", None),
    ("Histograms", "16-bit histogram, 12 bits / `cv::calcHist` 4096 bins", "BM_HistogramBW16/{size}/bits:12", "BM_HistogramBW16_OpenCV/{size}/bits:12"),
    ("Histograms", "16-bit histogram, 16 bits / `cv::calcHist` 65536 bins", "BM_HistogramBW16/{size}/bits:16", "BM_HistogramBW16_OpenCV/{size}/bits:16"),
    ("Thresholding", "fixed 8-bit / `cv::threshold` BINARY", "BM_Threshold8", "BM_OpenCV_ThresholdBinary"),
    ("Thresholding", "automatic minimum residue / `cv::threshold` OTSU", "BM_Threshold8_MinResidue", "BM_OpenCV_ThresholdOtsu"),
    ("Thresholding", "histogram then fixed threshold (reference)", "BM_Histogram_Then_Threshold8", None),
    ("Thresholding", "double threshold 8-bit", "BM_DoubleThreshold8", None),
    ("Thresholding", "gray 8-bit to bit image", "BM_ThresholdToBits8", None),
    ("Thresholding", "fixed 16-bit", "BM_Threshold16", None),
    ("Thresholding", "colour box (`VnC24` to `VnBW8`)", "BM_ThresholdColourBox", None),
    ("Thresholding", "local mean, half-size 7 / `cv::adaptiveThreshold` MEAN_C 15", "BM_LocalMeanThreshold", "BM_OpenCV_AdaptiveMean15"),
    ("Thresholding", "local mean, plain loop", "BM_LocalMeanThreshold_Plain", None),
    ("Thresholding", "adaptive, 64x64 tiles", "BM_AutoAdaptiveThreshold", None),
    ("Geometric transforms", "rotate 17°, nearest / `cv::warpAffine` NEAREST", "BM_RotateNearest", "BM_CvRotateNearest"),
    ("Geometric transforms", "rotate 17°, bilinear 8 bits / `cv::warpAffine` LINEAR", "BM_RotateBilinear8", "BM_CvRotateLinear"),
    ("Geometric transforms", "rotate 17°, bilinear 4 bits / `cv::warpAffine` LINEAR", "BM_RotateBilinear4", "BM_CvRotateLinear"),
    ("Geometric transforms", "shrink by 3.7 / `cv::resize` AREA", "BM_Shrink37", "BM_CvShrink37"),
    ("Geometric transforms", "halve / `cv::resize` AREA by 2", "BM_Halve", "BM_CvHalveArea"),
    ("Image files", "encode gray PNG, zlib 1 / `cv::imencode`", "BM_FileEncodePng/{size}/colour:0", "BM_OpenCvEncodePng/{size}/colour:0"),
    ("Image files", "encode colour PNG, zlib 1 / `cv::imencode`", "BM_FileEncodePng/{size}/colour:1", "BM_OpenCvEncodePng/{size}/colour:1"),
    ("Image files", "decode gray PNG / `cv::imdecode`", "BM_FileDecodePng/{size}/colour:0", "BM_OpenCvDecodePng/{size}/colour:0"),
    ("Image files", "decode colour PNG / `cv::imdecode`", "BM_FileDecodePng/{size}/colour:1", "BM_OpenCvDecodePng/{size}/colour:1"),
    ("Image files", "encode PGM / `cv::imencode`", "BM_FileEncodePnm/{size}/colour:0", "BM_OpenCvEncodePnm/{size}/colour:0"),
    ("Image files", "encode PPM / `cv::imencode`", "BM_FileEncodePnm/{size}/colour:1", "BM_OpenCvEncodePnm/{size}/colour:1"),
    ("Image files", "decode PGM / `cv::imdecode`", "BM_FileDecodePnm/{size}/colour:0", "BM_OpenCvDecodePnm/{size}/colour:0"),
    ("Image files", "decode PPM / `cv::imdecode`", "BM_FileDecodePnm/{size}/colour:1", "BM_OpenCvDecodePnm/{size}/colour:1"),
    ("Image files", "write a PGM file / `cv::imwrite`", "BM_FileWritePnm/{size}/colour:0", "BM_OpenCvWritePnm/{size}/colour:0"),
    ("Image files", "write a PPM file / `cv::imwrite`", "BM_FileWritePnm/{size}/colour:1", "BM_OpenCvWritePnm/{size}/colour:1"),
    ("Kernel convolution", "3x3 binomial, rectifier 2 (8-bit fixed point) / `cv::filter2D`", "BM_ConvolKernel/{size}/size:3/rectifier:2/uniform:0", "BM_ConvolKernel_OpenCV/{size}/size:3/rectifier:2/uniform:0"),
    ("Kernel convolution", "5x5 binomial, rectifier 2 (15-bit fixed point) / `cv::filter2D`", "BM_ConvolKernel/{size}/size:5/rectifier:2/uniform:0", "BM_ConvolKernel_OpenCV/{size}/size:5/rectifier:2/uniform:0"),
    ("Kernel convolution", "3x3 binomial, rectifier 0 (general path, integer route) / `cv::filter2D`", "BM_ConvolKernel/{size}/size:3/rectifier:0/uniform:0", "BM_ConvolKernel_OpenCV/{size}/size:3/rectifier:0/uniform:0"),
    ("Kernel convolution", "5x5 binomial, rectifier 0 (general path, integer route) / `cv::filter2D`", "BM_ConvolKernel/{size}/size:5/rectifier:0/uniform:0", "BM_ConvolKernel_OpenCV/{size}/size:5/rectifier:0/uniform:0"),
    ("Kernel convolution", "3x3 uniform, rectifier 0 (general path, double route) / `cv::filter2D`", "BM_ConvolKernel/{size}/size:3/rectifier:0/uniform:1", "BM_ConvolKernel_OpenCV/{size}/size:3/rectifier:0/uniform:1"),
    ("Kernel convolution", "5x5 uniform, rectifier 0 (general path, double route) / `cv::filter2D`", "BM_ConvolKernel/{size}/size:5/rectifier:0/uniform:1", "BM_ConvolKernel_OpenCV/{size}/size:5/rectifier:0/uniform:1"),
    ("Predefined filters", "Gaussian 3x3 / `cv::GaussianBlur` 3x3", "BM_PredefinedFilter/{size}/op:0", "BM_PredefinedFilter_OpenCV/{size}/op:0"),
    ("Predefined filters", "Gaussian 5x5 / `cv::GaussianBlur` 5x5", "BM_PredefinedFilter/{size}/op:1", "BM_PredefinedFilter_OpenCV/{size}/op:1"),
    ("Predefined filters", "Gaussian 7x7 / `cv::GaussianBlur` 7x7", "BM_PredefinedFilter/{size}/op:2", "BM_PredefinedFilter_OpenCV/{size}/op:2"),
    ("Predefined filters", "Sobel X / `cv::Sobel` CV_8U", "BM_PredefinedFilter/{size}/op:3", "BM_PredefinedFilter_OpenCV/{size}/op:3"),
    ("Predefined filters", "Laplacian 4 / `cv::Laplacian` ksize 1", "BM_PredefinedFilter/{size}/op:4", "BM_PredefinedFilter_OpenCV/{size}/op:4"),
    ("Predefined filters", "uniform, half-size 1 / `cv::blur` 3x3", "BM_PredefinedFilter/{size}/op:5", "BM_PredefinedFilter_OpenCV/{size}/op:5"),
    ("Predefined filters", "uniform, half-size 7 / `cv::blur` 15x15", "BM_PredefinedFilter/{size}/op:6", "BM_PredefinedFilter_OpenCV/{size}/op:6"),
    ("Predefined filters", "uniform, half-size 30 / `cv::blur` 61x61", "BM_PredefinedFilter/{size}/op:7", "BM_PredefinedFilter_OpenCV/{size}/op:7"),
    ("Predefined filters", "Gaussian, half-size 5 (five 3x3 passes)", "BM_PredefinedFilter/{size}/op:8", None),
    ("Gray-level morphology", "box erosion, half-size 1 / `cv::erode` 3x3 rectangle", "BM_ErodeBox/{size}/half:1", "BM_OpenCV_Erode/{size}/half:1"),
    ("Gray-level morphology", "box erosion, half-size 7 / `cv::erode` 15x15", "BM_ErodeBox/{size}/half:7", "BM_OpenCV_Erode/{size}/half:7"),
    ("Gray-level morphology", "box erosion, half-size 30 / `cv::erode` 61x61", "BM_ErodeBox/{size}/half:30", "BM_OpenCV_Erode/{size}/half:30"),
    ("Gray-level morphology", "box erosion, half-size 100 / `cv::erode` 201x201", "BM_ErodeBox/{size}/half:100", "BM_OpenCV_Erode/{size}/half:100"),
    ("Gray-level morphology", "`VnBW16` box erosion, half-size 1 / `cv::erode` 3x3", "BM_ErodeBox16/{size}/half:1", "BM_OpenCV_Erode16/{size}/half:1"),
    ("Gray-level morphology", "`VnBW16` box erosion, half-size 7 / `cv::erode` 15x15", "BM_ErodeBox16/{size}/half:7", "BM_OpenCV_Erode16/{size}/half:7"),
    ("Gray-level morphology", "`VnBW16` box erosion, half-size 30 / `cv::erode` 61x61", "BM_ErodeBox16/{size}/half:30", "BM_OpenCV_Erode16/{size}/half:30"),
    ("Gray-level morphology", "`VnBW16` box erosion, half-size 100 / `cv::erode` 201x201", "BM_ErodeBox16/{size}/half:100", "BM_OpenCV_Erode16/{size}/half:100"),
    ("Gray-level morphology", "disk dilation, radius 7 / `cv::dilate` 15x15 ellipse (shapes differ)", "BM_DilateDisk7", "BM_OpenCV_DilateEllipse15"),
    ("Gray-level morphology", "3x3 median / `cv::medianBlur` 3", "BM_Median", "BM_OpenCV_MedianBlur3"),
    ("Moments and measurement", "binary moments, second order, thresholded scene / `cv::moments` binary", "BM_BinaryMoments2", "BM_OpenCV_Moments/{size}/binary:1"),
    ("Moments and measurement", "weighted moments, third order / `cv::moments`", "BM_WeightedMoments3", "BM_OpenCV_Moments/{size}/binary:0"),
    ("Moments and measurement", "weighted moments, fourth order", "BM_WeightedMoments4", None),
    ("Moments and measurement", "weighted inertia", "BM_InertiaWeighted", None),
    ("Moments and measurement", "focus measure", "BM_Focusing", None),
    ("Moments and measurement", "correlogram into `VnBW16` / 2D `cv::calcHist` 256x256", "BM_Correlogram", "BM_OpenCV_CalcHist2D"),
    ("Pixel statistics", "read of an 8-bit image (memory baseline of the reductions)", "BM_MemoryRead", None),
    ("Pixel statistics", "variance (`ImgPixelVariance`) / `cv::meanStdDev`", "BM_PixelVariance8", "BM_OpenCV_MeanStdDev"),
    ("Pixel statistics", "variance, plain loop", "BM_PixelVariance8_Plain", None),
    ("Pixel statistics", "`ImgPixelStat` / `cv::minMaxLoc` + `cv::mean`", "BM_PixelStat8", "BM_OpenCV_MinMaxLocMean"),
    ("Pixel statistics", "`ImgPixelCompare` / `cv::countNonZero(a != b)`", "BM_PixelCompare8", "BM_OpenCV_CountNonZeroNotEqual"),
    ("Pixel statistics", "`ImgPixelCount` (two thresholds)", "BM_PixelCount8", None),
    ("Pixel statistics", "`ImgProjectOnARow` (sums) / `cv::reduce` dim 0, SUM, CV_32S", "BM_ProjectOnARow8", "BM_OpenCV_Reduce/OntoARow"),
    ("Pixel statistics", "`ImgProjectOnAColumn` (sums) / `cv::reduce` dim 1, SUM, CV_32S", "BM_ProjectOnAColumn8", "BM_OpenCV_Reduce/OntoAColumn"),
    ("Conversions", "`VnBW8` to `VnC24` / `cv::cvtColor` GRAY2BGR", "BM_ConvertGrayToC24", "BM_OpenCV_GrayToBgr"),
    ("Conversions", "`VnC24` to `VnBW8` / `cv::cvtColor` BGR2GRAY", "BM_ConvertC24ToGray", "BM_OpenCV_BgrToGray"),
    ("Conversions", "`VnBW16` to `VnBW8`, shift 8 / `convertTo` scale 1/256", "BM_Convert16To8", "BM_OpenCV_Convert16To8"),
    ("Conversions", "`VnFLOAT32` to `VnBW8` / `convertTo` CV_8U", "BM_ConvertFloatTo8", "BM_OpenCV_ConvertFloatTo8"),
    ("Conversions", "`VnBW8` to `VnBW1`", "BM_ConvertGrayToBits", None),
    ("Conversions", "`VnBW1` to `VnBW8`", "BM_ConvertBitsToGray", None),
    ("Gradients and local statistics", "local deviation, half-size 1 / box filters of p and p^2 in CV_32F, `cv::sqrt`", "BM_LocalDeviation/{size}/half:1", "BM_LocalDeviation_OpenCV/{size}/half:1"),
    ("Gradients and local statistics", "local deviation, half-size 7 / the same composite 15x15", "BM_LocalDeviation/{size}/half:7", "BM_LocalDeviation_OpenCV/{size}/half:7"),
    ("Gradients and local statistics", "local deviation, half-size 30 / the same composite 61x61", "BM_LocalDeviation/{size}/half:30", "BM_LocalDeviation_OpenCV/{size}/half:30"),
    ("Gradients and local statistics", "modulus gradient scalar / `cv::Sobel` dx, dy + `cv::magnitude`", "BM_GradientScalarModulus", "BM_GradientScalarModulus_OpenCV"),
    ("Gradients and local statistics", "gradient vector (`VnBW32`)", "BM_GradientVector", None),
    ("Binary morphology", "packed `VnBW1` box erosion, half-size 1 / `cv::erode` 3x3 on the 8-bit picture", "BM_PackedErodeBox/{size}/half:1", "BM_OpenCV_ErodeScene/{size}/half:1"),
    ("Binary morphology", "packed `VnBW1` box erosion, half-size 7 / `cv::erode` 15x15 on the 8-bit picture", "BM_PackedErodeBox/{size}/half:7", "BM_OpenCV_ErodeScene/{size}/half:7"),
    ("Binary morphology", "bi-level box erosion, half-size 1 / `cv::erode` 3x3", "BM_BiLevelErodeBox/{size}/half:1", "BM_OpenCV_ErodeScene/{size}/half:1"),
    ("Binary morphology", "bi-level box erosion, half-size 7 / `cv::erode` 15x15", "BM_BiLevelErodeBox/{size}/half:7", "BM_OpenCV_ErodeScene/{size}/half:7"),
    ("Binary morphology", "rotated thinning, one turn (8 passes)", "BM_ThinRotatedTurn/{size}", None),
    ("Binary morphology", "`ImgComputeDistanceMap` 255, binary / `cv::distanceTransform` L1, mask 3", "BM_DistanceMap255/{size}", "BM_OpenCV_DistanceL1/{size}"),

    ("Lookup and uniformisation", "`ImgLut` / `cv::LUT`", "BM_Lut8", "BM_OpenCV_LUT"),
    ("Lookup and uniformisation", "`ImgLut`, AVX2 shuffles / `cv::LUT`", "BM_Lut8Avx2", "BM_OpenCV_LUT"),
    ("Lookup and uniformisation", "`ImgGainOffset` / `cv::convertScaleAbs`", "BM_GainOffset8", "BM_OpenCV_ConvertScaleAbs"),
    ("Lookup and uniformisation", "`ImgGainOffset`, AVX2 / `cv::convertScaleAbs`", "BM_GainOffset8Avx2", "BM_OpenCV_ConvertScaleAbs"),
    ("Lookup and uniformisation", "`ImgEqualize` / `cv::equalizeHist`", "BM_Equalize8", "BM_OpenCV_EqualizeHist"),
    ("Lookup and uniformisation", "`ImgNormalize` / `cv::meanStdDev` + `convertTo`", "BM_Normalize8", "BM_OpenCV_MeanStdDevConvertTo"),
    ("Lookup and uniformisation", "`ImgUniformize` single image, multiplicative / `cv::divide` with a scale", "BM_UniformizeMul8", "BM_OpenCV_DivideScale"),
    ("Canny edge detector", "whole, no smoothing, hysteresis, blurred noise / `cv::Canny` (our thresholds)", "BM_CannyDetector<SMOOTH_NONE, EDGE_FOLLOWING_HYSTERESIS>/{size}/scene:0", "BM_CannyDetector_OpenCV/{size}/scene:0"),
    ("Canny edge detector", "whole, Gaussian 3x3, hysteresis, blurred noise", "BM_CannyDetector<SMOOTH_GAUSSIAN_3X3, EDGE_FOLLOWING_HYSTERESIS>/{size}/scene:0", None),
    ("Canny edge detector", "whole, no smoothing, contour growing, blurred noise", "BM_CannyDetector<SMOOTH_NONE, EDGE_FOLLOWING_CONTOUR_GROWING>/{size}/scene:0", None),
    ("Canny edge detector", "gradient vectors, blurred noise", "BM_CannyGradient/{size}/scene:0", None),
    ("Canny edge detector", "non-maxima suppression, blurred noise", "BM_CannySuppression/{size}/scene:0", None),
    ("Canny edge detector", "histogram and threshold search, blurred noise", "BM_CannyThresholds/{size}/scene:0", None),
    ("Canny edge detector", "hysteresis, blurred noise", "BM_CannyHysteresis/{size}/scene:0", None),
    ("Canny edge detector", "contour growing, blurred noise", "BM_CannyContourGrowing/{size}/scene:0", None),
    ("Canny edge detector", "whole, no smoothing, hysteresis, scene / `cv::Canny` (our thresholds)", "BM_CannyDetector<SMOOTH_NONE, EDGE_FOLLOWING_HYSTERESIS>/{size}/scene:1", "BM_CannyDetector_OpenCV/{size}/scene:1"),
    ("Canny edge detector", "whole, Gaussian 3x3, hysteresis, scene", "BM_CannyDetector<SMOOTH_GAUSSIAN_3X3, EDGE_FOLLOWING_HYSTERESIS>/{size}/scene:1", None),
    ("Canny edge detector", "whole, no smoothing, contour growing, scene", "BM_CannyDetector<SMOOTH_NONE, EDGE_FOLLOWING_CONTOUR_GROWING>/{size}/scene:1", None),
    ("Canny edge detector", "gradient vectors, scene", "BM_CannyGradient/{size}/scene:1", None),
    ("Canny edge detector", "non-maxima suppression, scene", "BM_CannySuppression/{size}/scene:1", None),
    ("Canny edge detector", "histogram and threshold search, scene", "BM_CannyThresholds/{size}/scene:1", None),
    ("Canny edge detector", "hysteresis, scene", "BM_CannyHysteresis/{size}/scene:1", None),
    ("Canny edge detector", "contour growing, scene", "BM_CannyContourGrowing/{size}/scene:1", None),
]

UNIT_TO_US = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def medians(path):
    found = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"]
        found[name] = (b["real_time"] * UNIT_TO_US[b["time_unit"]], b.get("bytes_per_second"))
    return found


def pairs(path):
    return [(b["run_name"], b["paired_ratio"]) for b in json.load(open(path))["benchmarks"]
            if b.get("aggregate_name") == "median" and "paired_ratio" in b]


def lookup(found, pattern, spellings):
    for spelling in spellings:
        if "{size}" not in pattern:
            name = pattern + spelling
        else:  # "/{size}" takes the spelling with its own leading slash
            name = pattern.replace("/{size}", spelling) if spelling.startswith("/") else pattern.replace("{size}", spelling)
        if name in found:
            return found[name]
    return None


def fmt_time(us):
    return f"{us / 1000:.2f} ms" if us >= 1000 else f"{us:.1f} µs"


def main(path):
    found = medians(path)
    copy_rates = {size: (lookup(found, "BM_MemoryCopy", spellings) or (None, None))[1] for size, spellings in SIZES}
    for sec in dict.fromkeys(row[0] for row in ROWS):
        lines = []
        for _, label, ours, theirs in (row for row in ROWS if row[0] == sec):
            for size, spellings in SIZES:
                mine = lookup(found, ours, spellings)
                if not mine:
                    continue
                other = lookup(found, theirs, spellings) if theirs else None
                ratio = f"{other[0] / mine[0]:.2f}" if other else ""
                of_copy = f"{mine[1] / copy_rates[size]:.2f}" if mine[1] and copy_rates[size] else ""
                lines.append(f"| {label} | {size} | {fmt_time(mine[0])} | {fmt_time(other[0]) if other else ''} | {ratio} | {of_copy} |")
        if lines:  # sections the run did not measure stay out
            print(f"\n### {sec}\n")
            print("| Operation | Size | vnimg | OpenCV | ratio | of copy |")
            print("|---|---|---:|---:|---:|---:|")
            print("\n".join(lines))
    paired = pairs(path)
    if paired:  # benchmarks that time two calls in turn report their ratio, not a time
        print("\n### Paired ratios\n")
        print("| Benchmark | ratio |")
        print("|---|---:|")
        print("\n".join(f"| {name} | {counter:.3f} |" for name, counter in paired))

if __name__ == "__main__":
    main(sys.argv[1])
