// Element access helpers that only native code reaches: scalar reads and writes and zero fills.
#include <gtest/gtest.h>

#include "helpers.h"
#include "tensor/access.h"

TEST(Access, ScalarsThroughStrides) {
  TensorPtr t = host_tensor({2, 3}, {0, 1, 2, 3, 4, 5});
  TensorPtr transposed = make_view(t, 0, {3, 2}, {1, 3});
  EXPECT_EQ(get_scalar(*transposed, {2, 1}), 5.0f);
  EXPECT_EQ(get_scalar_flat(*transposed, 1), 3.0f);
  set_scalar(*transposed, {1, 0}, 9.0f);
  EXPECT_EQ(values_of(*t), (std::vector<float>{0, 9, 2, 3, 4, 5}));
  TensorPtr ints = new_tensor({1}, "cpu", 3);
  EXPECT_THROW(get_scalar(*ints, {0}), std::runtime_error);
}

TEST(Access, ZeroFillOfAViewClearsOnlyItsElements) {
  TensorPtr t = host_tensor({3, 4}, std::vector<float>(12, 7.0f));
  TensorPtr column = make_view(t, 1, {3}, {4});  // non-contiguous: elements 1, 5, 9
  fill_zero(*column);
  TensorPtr row = make_view(t, 8, {4}, {1});  // contiguous view: elements 8..11
  zero_fill(*row, 0);
  EXPECT_EQ(values_of(*t), (std::vector<float>{7, 0, 7, 7, 7, 0, 7, 7, 0, 0, 0, 0}));
  TensorPtr ints = new_tensor({2}, "cpu", 2);
  EXPECT_THROW(fill_zero(*ints), std::runtime_error);
  zero_fill(*ints, 2);
  EXPECT_EQ(static_cast<int32_t*>(ints->data)[1], 0);
}
