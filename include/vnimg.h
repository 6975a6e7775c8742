// Everything vnimg offers: the platform types and every operation.
#pragma once

#include "vnimg/platform/types.h"
#include "vnimg/platform/error.h"
#include "vnimg/platform/core.h"
#include "vnimg/platform/roi.h"
#include "vnimg/platform/legacy_vector.h"
#include "vnimg/platform/color.h"
#include "vnimg/platform/dsp.h"

#include "vnimg/exception.h"
#include "vnimg/alignment.h"
#include "vnimg/point.h"
#include "vnimg/convert.h"
#include "vnimg/vector.h"
#include "vnimg/histogram.h"
#include "vnimg/threshold.h"
#include "vnimg/geometry.h"
#include "vnimg/filter.h"
#include "vnimg/predefined_filter.h"
#include "vnimg/morphology.h"
#include "vnimg/moments.h"
#include "vnimg/statistics.h"
