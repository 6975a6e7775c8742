#include "vnimg/platform/legacy_vector.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "vnimg/platform/core.h"
#include "vnimg/platform/error.h"

namespace {

struct TypeLayout {
  int dataSize;
  int dataType;
  int groups;
  int groupLength;
};

bool LayoutOf(int vectType, TypeLayout& layout) {
  switch (vectType) {
    case 1: layout = {VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3}; return true;
    case 2: layout = {VN_DATA_SIZE_32, VN_DATA_UNSIGNED, 1, 256}; return true;
    case 3: layout = {VN_DATA_SIZE_8, VN_DATA_UNSIGNED, 1, 256}; return true;
    case 4: layout = {VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3}; return true;
    case 5: layout = {VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 3}; return true;
    case 6: layout = {VN_DATA_SIZE_32, VN_DATA_SIGNED, 1, 1}; return true;
    case 7: layout = {VN_DATA_SIZE_32, VN_DATA_FLOAT, 1, 1}; return true;
    default: return false;
  }
}

int BytesOfSizeCode(int dataSize) {
  switch (dataSize) {
    case VN_DATA_SIZE_8: return 1;
    case VN_DATA_SIZE_16: return 2;
    case VN_DATA_SIZE_32: return 4;
    default: return 0;
  }
}

}  // namespace

VnVector::~VnVector() { Quandor_Free(m_data); }

VnVector::VnVector(const VnVector& other) { *this = other; }

VnVector& VnVector::operator=(const VnVector& other) {
  if (this == &other) return *this;
  unsigned char* data = nullptr;
  if (other.m_allocated) {
    data = static_cast<unsigned char*>(Quandor_Malloc(other.m_allocated));
    if (!data) {
      VnSetError(VN_ERR_OUT_OF_MEMORY);
      return *this;
    }
    std::memcpy(data, other.m_data, other.m_allocated);
  }
  Quandor_Free(m_data);
  m_data = data;
  m_allocated = other.m_allocated;
  m_vectType = other.m_vectType;
  m_dataSize = other.m_dataSize;
  m_dataType = other.m_dataType;
  m_groupLength = other.m_groupLength;
  m_nbGroup = other.m_nbGroup;
  m_use = other.m_use;
  return *this;
}

int VnVector::Shape(int vectType, int dataSize, int dataType, int groups, int groupLength) {
  const int elementBytes = BytesOfSizeCode(dataSize);
  if (elementBytes == 0) return VnSetError(VN_ERR_PARAM_1);
  if (groups < 0) return VnSetError(VN_ERR_PARAM_2);
  if (groupLength < 0) return VnSetError(VN_ERR_PARAM_3);
  const std::uint64_t bytes = std::uint64_t(groups) * std::uint64_t(groupLength) * std::uint64_t(elementBytes);
  if (bytes > std::numeric_limits<unsigned>::max()) return VnSetError(VN_ERR_OUT_OF_MEMORY);
  unsigned char* data = nullptr;
  if (bytes) {
    data = static_cast<unsigned char*>(Quandor_Malloc(static_cast<std::size_t>(bytes)));
    if (!data) return VnSetError(VN_ERR_OUT_OF_MEMORY);
    std::memset(data, 0, static_cast<std::size_t>(bytes));
  }
  Quandor_Free(m_data);
  m_data = data;
  m_allocated = static_cast<unsigned>(bytes);
  m_vectType = vectType;
  m_dataSize = dataSize;
  m_dataType = dataType;
  m_groupLength = groupLength;
  m_nbGroup = groups;
  return 0;
}

int VnVector::SetType(int vectType, int groups, int groupLength) {
  TypeLayout layout;
  if (!LayoutOf(vectType, layout)) return VnSetError(VN_ERR_PARAM_1);
  return Shape(vectType, layout.dataSize, layout.dataType, groups ? groups : layout.groups,
               groupLength ? groupLength : layout.groupLength);
}

int VnVector::SetStructure(int dataSize, int groups, int groupLength, int dataType) {
  return Shape(0, dataSize, dataType, groups, groupLength);
}

int VnVector::GetElementBytes() const { return BytesOfSizeCode(m_dataSize); }

int VnVector::GetNbMaxGroup() const {
  // Wide: a group may be longer than INT_MAX bytes (a shape without groups allocates nothing),
  // and 4 GiB of one-byte groups are more than INT_MAX groups.
  const std::int64_t groupBytes = std::int64_t{m_groupLength} * GetElementBytes();
  if (groupBytes <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(m_allocated / groupBytes, std::numeric_limits<int>::max()));
}

void VnVector::SetNbGroup(int groups) {
  if (groups < 0) groups = 0;
  const int most = GetNbMaxGroup();
  m_nbGroup = groups < most ? groups : most;
}

int VnVector::Reallocate(unsigned bytes) {
  if (bytes <= m_allocated) return 0;
  auto* data = static_cast<unsigned char*>(Quandor_Malloc(bytes));
  if (!data) return VnSetError(VN_ERR_OUT_OF_MEMORY);
  if (m_allocated) std::memcpy(data, m_data, m_allocated);
  std::memset(data + m_allocated, 0, bytes - m_allocated);
  Quandor_Free(m_data);
  m_data = data;
  m_allocated = bytes;
  return 0;
}
