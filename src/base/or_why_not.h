// What a step returns when failing is one of its expected outcomes and the
// caller needs the reason: the value, or why there is none. A function
// `return`s either a value or `WhyNot{"the reason"}`; the caller tests the
// result like an optional and, when empty, reads Reason(). Failures that end
// the command are thrown instead (see errors.h).
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kt {

struct WhyNot {
  std::string reason;
};

template <typename T>
class OrWhyNot {
 public:
  OrWhyNot(T value) : value_(std::move(value)) {}  // NOLINT: a value converts as it would to an optional
  OrWhyNot(WhyNot whyNot) : reason_(std::move(whyNot.reason)) {}

  bool has_value() const { return value_.has_value(); }
  explicit operator bool() const { return has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

  // Why there is no value; empty when there is one, or when the step had
  // nothing to say (a refusal the user asked for).
  const std::string& Reason() const { return reason_; }

 private:
  std::optional<T> value_;
  std::string reason_;
};

}  // namespace kt
