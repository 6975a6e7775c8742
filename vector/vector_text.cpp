// Text forms of the path and peak elements.
#include <ostream>

#include "vnimg/vector.h"

std::ostream& operator<<(std::ostream& os, const VnPeak& peak) {
  return os << "( VnPeak : m_un32Start = " << peak.m_un32Start << " m_un32Length = " << peak.m_un32Length
            << " m_f32Center = " << peak.m_f32Center << " m_n32Amplitude = " << peak.m_n32Amplitude
            << " m_n32Area = " << peak.m_n32Area << ")";
}

std::ostream& operator<<(std::ostream& os, const VnPath& point) {
  return os << "( VnPath : m_n16X = " << point.m_n16X << " m_n16Y = " << point.m_n16Y << ")";
}

std::ostream& operator<<(std::ostream& os, const VnBW8Path& point) {
  // The pixel goes through the unsigned-character inserter: one raw character.
  return os << "( VnBW8Path : m_n16X = " << point.m_n16X << " m_n16Y = " << point.m_n16Y
            << " m_bw8Pixel = " << point.m_bw8Pixel << ")";
}
