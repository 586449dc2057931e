// The host backward kernels that autograd calls, against their defining formulas.
#include <gtest/gtest.h>

#include <cmath>

#include "cpu/im2col.h"
#include "cpu/losses.h"
#include "cpu/reductions.h"
#include "cpu/unary.h"
#include "helpers.h"

using Values = std::vector<float>;

TEST(UnaryBackward, FromTheForwardInput) {
  TensorPtr x = host_tensor({4}, {-2.0f, 0.0f, 3.0f, 0.5f});
  TensorPtr g = host_tensor({4}, {1.0f, 2.0f, 3.0f, 4.0f});
  EXPECT_EQ(values_of(*relu_backward_cpu(g, x)), (Values{0, 0, 3, 4}));
  EXPECT_EQ(values_of(*leaky_relu_backward_cpu(g, x, 0.5f)), (Values{0.5f, 1, 3, 4}));
  EXPECT_EQ(values_of(*log_backward_cpu(g, x)), (Values{-0.5f, INFINITY, 1, 8}));
  EXPECT_EQ(values_of(*abs_backward_cpu(g, x)), (Values{-1, 0, 3, 4}));  // 0 at x = 0
}

TEST(UnaryBackward, FromTheSavedOutput) {
  TensorPtr g = host_tensor({2}, {1.0f, 2.0f});
  const float y[] = {0.5f, 2.0f};
  EXPECT_EQ(values_of(*sigmoid_backward_cpu(g, y, 2, {2})), (Values{0.25f, -4.0f}));
  EXPECT_EQ(values_of(*tanh_backward_cpu(g, y, 2, {2})), (Values{0.75f, -6.0f}));
  EXPECT_EQ(values_of(*exp_backward_cpu(g, y, 2, {2})), (Values{0.5f, 4.0f}));
  EXPECT_EQ(values_of(*sqrt_backward_cpu(g, y, 2, {2})), (Values{1.0f, 0.5f}));
}

TEST(UnaryBackward, StridedInputIsReadByValue) {
  TensorPtr x = host_tensor({2, 2}, {-1.0f, 2.0f, 3.0f, -4.0f});
  TensorPtr xt = make_view(x, 0, {2, 2}, {1, 2});  // transposed: -1, 3, 2, -4
  TensorPtr g = host_tensor({2, 2}, {1.0f, 1.0f, 1.0f, 1.0f});
  EXPECT_EQ(values_of(*relu_backward_cpu(g, xt)), (Values{0, 1, 1, 0}));
}

TEST(UnaryBackward, GradientOfTheWrongSizeIsRefused) {
  TensorPtr x = host_tensor({3}, {1, 2, 3});
  EXPECT_THROW(relu_backward_cpu(host_tensor({2}, {1, 1}), x), std::invalid_argument);
}

TEST(ReductionBackward, MaxScattersToTheFirstMaximum) {
  TensorPtr x = host_tensor({4}, {3, 7, 7, 1});
  const MaxResult max = max_axis_cpu(x, 0, false);
  EXPECT_EQ(max.second, (std::vector<int32_t>{1}));
  TensorPtr grad = max_axis_backward_cpu(host_tensor({1}, {1.0f}), max.second, {4}, 4, 1);
  EXPECT_EQ(values_of(*grad), (Values{0, 1, 0, 0}));

  TensorPtr m = host_tensor({2, 3}, {1, 9, 2, 8, 0, 8});  // over axis 0: positions 1, 0, 1
  const MaxResult columns = max_axis_cpu(m, 0, false);
  TensorPtr g = host_tensor({3}, {10, 20, 30});
  EXPECT_EQ(values_of(*max_axis_backward_cpu(g, columns.second, {2, 3}, 2, 3)),
            (Values{0, 20, 0, 10, 0, 30}));
}

TEST(ReductionBackward, BroadcastRepeatsAlongTheAxis) {
  TensorPtr g = host_tensor({2, 1}, {1.5f, -2.0f});
  TensorPtr out = broadcast_axis_cpu(g, 1, 3);
  EXPECT_EQ(out->shape, (Shape{2, 3}));
  EXPECT_EQ(values_of(*out), (Values{1.5f, 1.5f, 1.5f, -2, -2, -2}));
  EXPECT_EQ(values_of(*broadcast_axis_cpu(host_tensor({1, 2}, {1, 2}), -2, 2)),
            (Values{1, 2, 1, 2}));
  EXPECT_THROW(broadcast_axis_cpu(make_view(g, 0, {1, 2}, {1, 1}), 0, 2), std::invalid_argument);
}

TEST(LossBackward, Huber) {
  TensorPtr a = host_tensor({3}, {0, 0, 0});
  TensorPtr b = host_tensor({3}, {0.5f, 2, -3});
  EXPECT_EQ(values_of(*huber_backward_cpu(a, b, 1.0f, 1.0f)), (Values{-0.5f, -1, 1}));
  EXPECT_EQ(values_of(*huber_backward_cpu(a, b, 1.0f, -2.0f)), (Values{1, 2, -2}));
  EXPECT_THROW(huber_backward_cpu(a, host_tensor({2}, {1, 2}), 1.0f, 1.0f), std::invalid_argument);
}

TEST(LossBackward, CrossEntropy) {
  TensorPtr logits = host_tensor({1, 2}, {0, 0});
  TensorPtr onehot = host_tensor({1, 2}, {1, 0});
  EXPECT_EQ(values_of(*cross_entropy_backward_cpu(logits, onehot, 1.0f)), (Values{-0.5f, 0.5f}));
  TensorPtr wide = host_tensor({2, 3}, {1, 2, 3, 1000, 0, -1000});
  TensorPtr targets = host_tensor({2, 3}, {0, 0, 1, 1, 0, 0});
  const Values grad = values_of(*cross_entropy_backward_cpu(wide, targets, 0.5f));
  EXPECT_NEAR(grad[0] + grad[1] + grad[2], 0.0f, 1e-7f);  // rows of softmax minus onehot sum to 0
  EXPECT_EQ(grad[3], 0.0f);
}

TEST(Col2im, CountsTheWindowsThatCoverEachPosition) {
  TensorPtr cols = host_tensor({1, 2, 3}, {1, 1, 1, 1, 1, 1});
  TensorPtr out = new_tensor({1, 1, 4}, "cpu", 0);
  col2im_1d_cpu(*cols, *out, 1, 1, 4, {2, 1, 0, 1, 3});
  EXPECT_EQ(values_of(*out), (Values{1, 2, 2, 1}));
}

TEST(Col2im, IsTheAdjointOfIm2col) {
  // <im2col(x), c> == <x, col2im(c)> for any x and c.
  const Conv1dWindow w{3, 2, 2, 2, 4};
  TensorPtr x = new_tensor({2, 3, 7}, "cpu", 0);
  TensorPtr c = new_tensor({2, 9, 4}, "cpu", 0);
  for (int32_t i = 0; i < x->size; ++i) data_f32(*x)[i] = float(i % 5) - 2.0f;
  for (int32_t i = 0; i < c->size; ++i) data_f32(*c)[i] = float(i % 7) - 3.0f;
  TensorPtr cols = new_tensor({2, 9, 4}, "cpu", 0);
  im2col_1d_cpu(*x, *cols, w);
  TensorPtr folded = new_tensor({2, 3, 7}, "cpu", 0);
  col2im_1d_cpu(*c, *folded, 2, 3, 7, w);
  double lhs = 0, rhs = 0;
  for (int32_t i = 0; i < c->size; ++i) lhs += double(data_f32(*cols)[i]) * data_f32(*c)[i];
  for (int32_t i = 0; i < x->size; ++i) rhs += double(data_f32(*x)[i]) * data_f32(*folded)[i];
  EXPECT_EQ(lhs, rhs);
  EXPECT_THROW(col2im_1d_cpu(*c, *folded, 2, 3, 7, {3, 0, 2, 2, 4}), std::invalid_argument);
}
