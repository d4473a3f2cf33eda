// ControlSet: a page's controls by a named enum. Each control gets the
// readable object name of its table entry ("dateFrom"), which the tests find
// it by; the page reaches its own controls through the enum.
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <cstddef>

namespace ordano {

// `Id` is an enum class numbered from 0 with a last member `Count`.
template <class Id>
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Id::Count);

template <class Id>
struct ControlName {
  Id id;
  const char* name;
};
template <class Id>
using ControlNames = std::array<ControlName<Id>, kControlCount<Id>>;

// Every id once, in enum order (checked where a table is defined).
template <class Id>
constexpr bool InEnumOrder(const ControlNames<Id>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (static_cast<std::size_t>(names[i].id) != i) return false;
  }
  return true;
}

template <class Id>
class ControlSet {
 public:
  explicit ControlSet(const ControlNames<Id>& names) : names_(names) {}

  // Names `widget` for `id` and keeps it.
  template <class W>
  W* Add(Id id, W* widget) {
    widget->setObjectName(Name(id));
    widgets_[Index(id)] = widget;
    return widget;
  }
  template <class W = QWidget>
  W* Get(Id id) const {
    return static_cast<W*>(widgets_[Index(id)]);
  }
  QString Name(Id id) const { return QLatin1String(names_[Index(id)].name); }

 private:
  static constexpr std::size_t Index(Id id) { return static_cast<std::size_t>(id); }

  const ControlNames<Id>& names_;
  std::array<QWidget*, kControlCount<Id>> widgets_{};
};

}  // namespace ordano
