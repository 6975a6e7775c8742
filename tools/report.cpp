#include "report.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace vnimg::tool {
namespace {

void WriteQuoted(std::ostream& out, const std::string& text) {
  out << '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out << escaped;
    } else {
      out << c;
    }
  }
  out << '"';
}

template <class T>
void WriteShortest(std::ostream& out, T value) {
  char digits[40];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.write(digits, result.ptr - digits);
}

}  // namespace

Report& Report::Add(Report item) {
  m_items.emplace_back(std::string(), std::move(item));
  return *this;
}

Report& Report::Set(std::string name, Report value) {
  m_items.emplace_back(std::move(name), std::move(value));
  return *this;
}

bool Report::IsFlatList() const {
  if (m_kind != Kind::List) return false;
  for (const auto& item : m_items)
    if (!item.second.IsScalar()) return false;
  return true;
}

void Report::WriteScalar(std::ostream& out, bool json) const {
  switch (m_kind) {
    case Kind::Null:
      out << "null";
      break;
    case Kind::Bool:
      out << (m_integer ? "true" : "false");
      break;
    case Kind::Integer:
      out << m_integer;
      break;
    case Kind::Float:
    case Kind::Real:
      if (!std::isfinite(m_real)) {
        out << (json ? "null" : std::isnan(m_real) ? "nan" : m_real > 0 ? "inf" : "-inf");
      } else if (m_kind == Kind::Float) {
        WriteShortest(out, static_cast<float>(m_real));
      } else {
        WriteShortest(out, m_real);
      }
      break;
    case Kind::Text:
      if (json) {
        WriteQuoted(out, m_text);
      } else {
        out << m_text;
      }
      break;
    default:
      break;
  }
}

std::string Report::Dump() const {
  std::ostringstream out;
  WriteJson(out, 0);
  return out.str();
}

void Report::WriteJson(std::ostream& out) const {
  WriteJson(out, 0);
  out << '\n';
}

void Report::WriteJson(std::ostream& out, int indent) const {
  if (IsScalar()) return WriteScalar(out, true);
  const bool group = m_kind == Kind::Group;
  const char open = group ? '{' : '[', close = group ? '}' : ']';
  if (m_items.empty()) {
    out << open << close;
    return;
  }
  if (IsFlatList()) {
    out << open;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
      if (i) out << ", ";
      m_items[i].second.WriteScalar(out, true);
    }
    out << close;
    return;
  }
  out << open << '\n';
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    out << std::string(indent + 2, ' ');
    if (group) {
      WriteQuoted(out, m_items[i].first);
      out << ": ";
    }
    m_items[i].second.WriteJson(out, indent + 2);
    out << (i + 1 < m_items.size() ? ",\n" : "\n");
  }
  out << std::string(indent, ' ') << close;
}

void Report::WriteText(std::ostream& out) const {
  if (IsScalar() || IsFlatList()) {
    WriteScalar(out, false);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
      if (i) out << ' ';
      m_items[i].second.WriteScalar(out, false);
    }
    out << '\n';
    return;
  }
  WriteTextMembers(out, 0);
}

// Groups print "name: value" lines, nested groups indented under their name; lists of groups
// print each group after a "-" line.
void Report::WriteTextMembers(std::ostream& out, int indent) const {
  const std::string pad(indent, ' ');
  for (const auto& [name, value] : m_items) {
    const std::string label = name.empty() ? "-" : name + ":";
    if (value.IsScalar() || value.IsFlatList()) {
      out << pad << label;
      if (value.IsScalar()) {
        out << ' ';
        value.WriteScalar(out, false);
      }
      for (const auto& item : value.m_items) {
        out << ' ';
        item.second.WriteScalar(out, false);
      }
      out << '\n';
    } else {
      out << pad << label << '\n';
      value.WriteTextMembers(out, indent + 2);
    }
  }
}

}  // namespace vnimg::tool
