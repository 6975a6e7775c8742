// Results a command prints: numbers, texts, lists and named groups, written as plain text
// ("name: value" lines) or as JSON.
#pragma once

#include <concepts>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace vnimg::tool {

class Report {
 public:
  Report() = default;
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  Report(T value) : m_kind(Kind::Integer), m_integer(static_cast<long long>(value)) {}
  // Floats print with the shortest digits that give back the same float.
  Report(float value) : m_kind(Kind::Float), m_real(value) {}
  Report(double value) : m_kind(Kind::Real), m_real(value) {}
  Report(bool value) : m_kind(Kind::Bool), m_integer(value) {}
  Report(std::string value) : m_kind(Kind::Text), m_text(std::move(value)) {}
  Report(const char* value) : Report(std::string(value)) {}

  static Report List() { return Report(Kind::List); }
  static Report Group() { return Report(Kind::Group); }

  // Appends to a list.
  Report& Add(Report item);
  // Adds a named member to a group (members keep their order).
  Report& Set(std::string name, Report value);

  // Items of a list or group.
  std::size_t Size() const { return m_items.size(); }
  const Report& Item(std::size_t i) const { return m_items[i].second; }

  void WriteJson(std::ostream& out) const;
  void WriteText(std::ostream& out) const;
  // A scalar as it prints in JSON.
  std::string Dump() const;

 private:
  enum class Kind { Null, Bool, Integer, Float, Real, Text, List, Group };
  explicit Report(Kind kind) : m_kind(kind) {}
  bool IsScalar() const { return m_kind != Kind::List && m_kind != Kind::Group; }
  bool IsFlatList() const;
  void WriteJson(std::ostream& out, int indent) const;
  void WriteTextMembers(std::ostream& out, int indent) const;
  void WriteScalar(std::ostream& out, bool json) const;

  Kind m_kind = Kind::Null;
  long long m_integer = 0;
  double m_real = 0;
  std::string m_text;
  std::vector<std::pair<std::string, Report>> m_items;  // names empty in lists
};

}  // namespace vnimg::tool
