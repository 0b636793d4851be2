// The codes the keys of the face send, by grid position.
#include <gtest/gtest.h>

#include "engine/key_codes.h"

namespace korvelce {
namespace {

TEST(FaceGrid, CodeOfEachPositionWithAndWithoutSecond) {
    struct Case {
        int column;
        int row;
        int own;
        int second;
    };
    const Case cases[] = {
        {0, 0, key::kA, key::kAPrime},
        {4, 0, key::kE, key::kEPrime},  // the last column's 2nd wraps to the row's code 0
        {0, 1, key::kSecond, key::kSecond},
        {2, 1, key::kLnx, key::kLog},
        {4, 1, key::kClr, key::kClr2},
        {4, 3, key::kPower, key::kInd},
        {1, 5, 7, key::kEq},  // the number keys send their digits; their 2nd functions do not
        {3, 5, 9, key::kOp},
        {2, 6, 5, key::kSta},
        {1, 7, 1, key::kIff},
        {3, 7, 3, key::kPi},
        {1, 8, 0, key::kDsz},
        {4, 8, key::kEquals, key::kLst},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keyCodeAt(c.column, c.row, false), c.own) << c.column << "," << c.row;
        EXPECT_EQ(keyCodeAt(c.column, c.row, true), c.second) << c.column << "," << c.row;
    }
}

}  // namespace
}  // namespace korvelce
