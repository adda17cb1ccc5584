// First, alone: the header must compile by itself.
#include "platform/Locale.h"

#include "platform/Environment.h"
#include "platform/posix/StrftimePattern.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using platform::UserLocaleFormats;

// The locale variables as the test sets them, restored afterwards (unset ones stay unset).
class AmbienteDeLocale {
public:
    AmbienteDeLocale() {
        for (std::size_t i = 0; i < kNomes.size(); ++i) {
            fAnteriores[i] = platform::GetEnv(kNomes[i]);
            platform::UnsetEnv(kNomes[i]);
        }
    }
    ~AmbienteDeLocale() {
        for (std::size_t i = 0; i < kNomes.size(); ++i) {
            if (fAnteriores[i])
                platform::SetEnv(kNomes[i], *fAnteriores[i]);
            else
                platform::UnsetEnv(kNomes[i]);
        }
    }
    AmbienteDeLocale(const AmbienteDeLocale&) = delete;
    AmbienteDeLocale& operator=(const AmbienteDeLocale&) = delete;

private:
    static constexpr std::array<const char*, 4> kNomes{"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"};
    std::array<std::optional<std::string>, 4> fAnteriores;
};

TEST(LocaleTest, FormatsOfTheUsersLocale) {
    struct Caso {
        const char* locale;
        char separador;
        const char* data;
        const char* hora;
    };
    const Caso casos[] = {
        {"pt_BR.UTF-8", ',', "dd/mm/yyyy", "hh:nn:ss"},
        {"C", '.', "mm/dd/yy", "hh:nn:ss"},
        {"", '.', "mm/dd/yy", "hh:nn:ss"},                // unset reads as "C"
        {"xx_NENHUM.UTF-8", '.', "mm/dd/yy", "hh:nn:ss"}, // so does a locale the system lacks
    };
    AmbienteDeLocale ambiente;
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.locale);
        testsupport::ScopedLocale locale(caso.locale);
        auto formatos = UserLocaleFormats();
        EXPECT_EQ(formatos.separadorDecimal, caso.separador);
        EXPECT_EQ(formatos.formatoDataCurta, caso.data);
        EXPECT_EQ(formatos.formatoHoraLonga, caso.hora);
    }
}

TEST(LocaleTest, EachCategoryFollowsItsOwnVariable) {
    AmbienteDeLocale ambiente;
    platform::SetEnv("LANG", "pt_BR.UTF-8");
    platform::SetEnv("LC_TIME", "C");
    auto formatos = UserLocaleFormats();
    EXPECT_EQ(formatos.separadorDecimal, ',');
    EXPECT_EQ(formatos.formatoDataCurta, "mm/dd/yy");

    platform::SetEnv("LC_NUMERIC", "C");
    platform::SetEnv("LC_TIME", "pt_BR.UTF-8");
    formatos = UserLocaleFormats();
    EXPECT_EQ(formatos.separadorDecimal, '.');
    EXPECT_EQ(formatos.formatoDataCurta, "dd/mm/yyyy");

    // LC_ALL overrides both.
    platform::SetEnv("LC_ALL", "C");
    formatos = UserLocaleFormats();
    EXPECT_EQ(formatos.separadorDecimal, '.');
    EXPECT_EQ(formatos.formatoDataCurta, "mm/dd/yy");
}

// Other locales' formats, which the test machine need not have installed.
TEST(LocaleTest, StrftimeFormatsBecomePatterns) {
    struct Caso {
        const char* strftime;
        const char* padrao;
    };
    const Caso casos[] = {
        {"%d/%m/%Y", "dd/mm/yyyy"},
        {"%m/%d/%y", "mm/dd/yy"},
        {"%D", "mm/dd/yy"},
        {"%F", "yyyy-mm-dd"},
        {"%e.%m.%Y", "d.mm.yyyy"},
        {"%Y年%m月%d日", "yyyy年mm月dd日"},
        {"%Y. %m. %d.", "yyyy. mm. dd."},
        {"%-d/%-m/%y", "d/m/yy"},
        {"%Od/%Om/%Ey", "dd/mm/yy"},
        {"%H:%M:%S", "hh:nn:ss"},
        {"%T", "hh:nn:ss"},
        {"%k:%M", "h:nn"},
        // AM/PM becomes 24-hour time, the mark and its space gone.
        {"%r", "hh:nn:ss"},
        {"%I:%M:%S %p", "hh:nn:ss"},
        {"%p %I:%M:%S", "hh:nn:ss"},
        {"%l:%M:%S %P", "h:nn:ss"},
        // Letters are tokens in a pattern, so literal ones are quoted.
        {"%Hh%M", "hh\"h\"nn"},
        {"%Z %I:%M:%S %p", "hh:nn:ss"},
        {"kl. %H.%M %z", "\"kl\". hh.nn"},
        // Names have no token: week days go, a month becomes its number.
        {"%A %d %b %Y", "dd mm yyyy"},
        {"", ""},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.strftime);
        EXPECT_EQ(platform::posix::StrftimeToPattern(caso.strftime), caso.padrao);
    }
}

} // namespace
