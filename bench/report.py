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

SIZES = [("1920x1080", ("/1920/1080", "w:1920/h:1080")), ("4096x4096", ("/4096/4096", "w:4096/h:4096"))]

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
    ("Conversions", "`VnBW8` to `VnC24` / `cv::cvtColor` GRAY2BGR", "BM_ConvertGrayToC24", "BM_OpenCV_GrayToBgr"),
    ("Conversions", "`VnC24` to `VnBW8` / `cv::cvtColor` BGR2GRAY", "BM_ConvertC24ToGray", "BM_OpenCV_BgrToGray"),
    ("Conversions", "`VnBW16` to `VnBW8`, shift 8 / `convertTo` scale 1/256", "BM_Convert16To8", "BM_OpenCV_Convert16To8"),
    ("Conversions", "`VnFLOAT32` to `VnBW8` / `convertTo` CV_8U", "BM_ConvertFloatTo8", "BM_OpenCV_ConvertFloatTo8"),
    ("Conversions", "`VnBW8` to `VnBW1`", "BM_ConvertGrayToBits", None),
    ("Conversions", "`VnBW1` to `VnBW8`", "BM_ConvertBitsToGray", None),
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


def lookup(found, pattern, spellings):
    for spelling in spellings:
        name = pattern.replace("{size}", spelling) if "{size}" in pattern else pattern + spelling
        if name in found:
            return found[name]
    return None


def fmt_time(us):
    return f"{us / 1000:.2f} ms" if us >= 1000 else f"{us:.1f} µs"


def main(path):
    found = medians(path)
    copy_rates = {size: lookup(found, "BM_MemoryCopy", spellings)[1] for size, spellings in SIZES}
    section = None
    for sec, label, ours, theirs in ROWS:
        if sec != section:
            section = sec
            print(f"\n### {sec}\n")
            print("| Operation | Size | vnimg | OpenCV | ratio | of copy |")
            print("|---|---|---:|---:|---:|---:|")
        for size, spellings in SIZES:
            mine = lookup(found, ours, spellings)
            if not mine:
                continue
            other = lookup(found, theirs, spellings) if theirs else None
            ratio = f"{other[0] / mine[0]:.2f}" if other else ""
            of_copy = f"{mine[1] / copy_rates[size]:.2f}" if mine[1] else ""
            print(f"| {label} | {size} | {fmt_time(mine[0])} | {fmt_time(other[0]) if other else ''} | {ratio} | {of_copy} |")


if __name__ == "__main__":
    main(sys.argv[1])
