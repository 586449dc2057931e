// The four two-operand arithmetic operations and their element semantics: IEEE for floats;
// wrapping add, sub and mul and truncating division for integers.
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>

enum class ElementwiseOp : int32_t { ADD = 0, SUB = 1, MUL = 2, DIV = 3 };

inline const char* op_name(ElementwiseOp op) {
  switch (op) {
    case ElementwiseOp::ADD:
      return "add";
    case ElementwiseOp::SUB:
      return "sub";
    case ElementwiseOp::MUL:
      return "mul";
    case ElementwiseOp::DIV:
      return "div";
  }
  return "?";
}

// Integer division has no value for a zero divisor; callers reject it before computing.
[[noreturn]] inline void throw_integer_division_by_zero(ElementwiseOp op) {
  throw std::domain_error(std::string(op_name(op)) + "(): integer division by zero");
}

template <typename T>
inline T apply_op(ElementwiseOp op, T a, T b) {
  if constexpr (std::is_integral_v<T>) {
    using U = std::make_unsigned_t<T>;
    switch (op) {
      case ElementwiseOp::ADD:
        return static_cast<T>(static_cast<U>(a) + static_cast<U>(b));
      case ElementwiseOp::SUB:
        return static_cast<T>(static_cast<U>(a) - static_cast<U>(b));
      case ElementwiseOp::MUL:
        return static_cast<T>(static_cast<U>(a) * static_cast<U>(b));
      case ElementwiseOp::DIV:
        // The smallest value divided by -1 wraps to itself, like the other operations.
        if (b == -1) return static_cast<T>(U(0) - static_cast<U>(a));
        return a / b;
    }
  } else {
    switch (op) {
      case ElementwiseOp::ADD:
        return a + b;
      case ElementwiseOp::SUB:
        return a - b;
      case ElementwiseOp::MUL:
        return a * b;
      case ElementwiseOp::DIV:
        return a / b;
    }
  }
  return T{};
}

// Converts a double to an integer type, truncating toward zero and saturating at the type's
// limits (NaN gives 0), where a plain cast would be undefined.
template <typename T>
inline T saturating_cast(double v) {
  if (v != v) return 0;
  if (v <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (v >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}
