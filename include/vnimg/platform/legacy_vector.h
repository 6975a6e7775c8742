// The untyped legacy vector: groups of equally sized elements in one buffer.
#pragma once

#include <cstddef>

// Element size codes (GetDataSize) and data type codes (GetDataType).
enum VN_VECTOR_DATA_SIZE : int { VN_DATA_SIZE_8 = 2, VN_DATA_SIZE_16 = 4, VN_DATA_SIZE_32 = 8 };
enum VN_VECTOR_DATA_TYPE : int { VN_DATA_UNSIGNED = 1, VN_DATA_SIGNED = 2, VN_DATA_FLOAT = 4 };

// Vector type codes (GetVectType) with their element layout; SetType fills in the defaults
// of a type for a group count or group length given as 0.
//   1 contour points   32-bit signed,   groups of 3
//   2 histogram/sums   32-bit unsigned, 1 group of 256
//   3 lookup table     8-bit unsigned,  1 group of 256
//   4 point records    32-bit signed,   groups of 3
//   5 extreme records  32-bit signed,   groups of 3
//   6 generic signal   32-bit signed,   groups of 1
//   7 energy profile   32-bit float,    groups of 1
// Use codes (GetUse) are the caller's: 5 line points, 6 extremes, 7 transitions.
class VnVector {
 public:
  VnVector() = default;
  ~VnVector();
  VnVector(const VnVector& other);
  VnVector& operator=(const VnVector& other);

  // Shapes the vector as vectType with `groups` groups of `groupLength` elements (0 takes the
  // type's default), storage zeroed. Returns 0, or 1303 (set) when the storage cannot be had,
  // leaving the vector as it was; an unknown type gives 1011.
  int SetType(int vectType, int groups, int groupLength);
  // Shapes the vector with an explicit element size code and data type code; vector type 0.
  int SetStructure(int dataSize, int groups, int groupLength, int dataType);

  void* GetDataPtr() const { return m_data; }
  int GetDataType() const { return m_dataType; }
  int GetDataSize() const { return m_dataSize; }
  // Bytes of one element (1, 2 or 4), from the size code.
  int GetElementBytes() const;
  int GetGroupLength() const { return m_groupLength; }
  int GetNbGroup() const { return m_nbGroup; }
  // Sets the number of groups in use; at most GetNbMaxGroup().
  void SetNbGroup(int groups);
  // Groups the storage can hold.
  int GetNbMaxGroup() const;
  unsigned GetAllocatedSize() const { return m_allocated; }
  // Grows (never shrinks) the storage to `bytes`, keeping the content and zeroing the rest.
  // Returns 0 or 1303 (set).
  int Reallocate(unsigned bytes);
  int GetVectType() const { return m_vectType; }
  bool IsSameVectType(const VnVector& other) const { return m_vectType == other.m_vectType; }
  int GetUse() const { return m_use; }
  void SetUse(int use) { m_use = use; }

 private:
  int Shape(int vectType, int dataSize, int dataType, int groups, int groupLength);

  unsigned char* m_data = nullptr;
  unsigned m_allocated = 0;
  int m_vectType = 0;
  int m_dataSize = 0;
  int m_dataType = 0;
  int m_groupLength = 0;
  int m_nbGroup = 0;
  int m_use = 0;
};
