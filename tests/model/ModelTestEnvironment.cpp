#include <gtest/gtest.h>

#include "support/TempConfigEnvironment.h"

namespace {

const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);

} // namespace
