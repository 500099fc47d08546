#pragma once
// Checks a desktop mapping's calibration matrix (its first two rows) against
// values worked out by hand, to the precision the advice prints.

#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "Checks/DesktopMapping.h"

inline void ExpectMatrix(const std::optional<AffineMap>& matrix,
                         const std::array<double, 6>& expected) {
    ASSERT_TRUE(matrix) << "no matrix";
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(matrix->M[i], expected[i], 0.0005) << "value " << i;
    }
}
