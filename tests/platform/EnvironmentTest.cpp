// First, alone: the header must compile by itself.
#include "platform/Environment.h"

#include "platform/PlatformError.h"

#include <gtest/gtest.h>

namespace {

using platform::GetEnv;

TEST(EnvironmentTest, SetReadAndUnset) {
    const std::string nome = "QUENDO_ENVIRONMENT_TEST";
    platform::UnsetEnv(nome);
    EXPECT_EQ(GetEnv(nome), std::nullopt);

    platform::SetEnv(nome, "valor com espaço");
    EXPECT_EQ(GetEnv(nome), "valor com espaço");

    // Set but empty is not the same as unset.
    platform::SetEnv(nome, "");
    EXPECT_EQ(GetEnv(nome), "");

    platform::UnsetEnv(nome);
    EXPECT_EQ(GetEnv(nome), std::nullopt);
}

TEST(EnvironmentTest, AnInvalidNameThrows) {
    EXPECT_THROW(platform::SetEnv("QUENDO=INVALIDO", "x"), platform::PlatformError);
    EXPECT_THROW(platform::SetEnv("", "x"), platform::PlatformError);
}

TEST(EnvironmentTest, AUserVariableReachesThisProcess) {
    const std::string nome = "QUENDO_ENVIRONMENT_USER_TEST";
    EXPECT_TRUE(platform::SetUserEnv(nome, "True"));
    EXPECT_EQ(GetEnv(nome), "True");
    platform::UnsetEnv(nome);

    // A name the system refuses is reported, not thrown.
    EXPECT_FALSE(platform::SetUserEnv("QUENDO=INVALIDO", "x"));
}

} // namespace
