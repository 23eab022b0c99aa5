/* The emulated chip against what libftdi1 itself makes of it. */
#include "ft232r_chip.h"

#include <ftdi.h>
#include <gtest/gtest.h>

using namespace vorne::usbemu;

TEST(Ft232rEeprom, LibftdiDecodesTheBuiltImage) {
    Eeprom e = buildEeprom({"FTDI", "FT232R USB VORNE", "VRN00001"});
    ftdi_context *ctx = ftdi_new();
    ctx->type = TYPE_R;
    uint8_t buf[256] = {};
    std::copy(e.begin(), e.end(), buf);
    ASSERT_EQ(ftdi_set_eeprom_buf(ctx, buf, sizeof buf), 0);
    EXPECT_EQ(ftdi_eeprom_decode(ctx, 0), 0);
    char m[64] = {}, p[64] = {}, s[64] = {};
    EXPECT_EQ(ftdi_eeprom_get_strings(ctx, m, sizeof m, p, sizeof p, s, sizeof s), 0);
    EXPECT_STREQ(m, "FTDI");
    EXPECT_STREQ(p, "FT232R USB VORNE");
    EXPECT_STREQ(s, "VRN00001");
    ftdi_free(ctx);
    EXPECT_TRUE(checksumValid(e));
}
