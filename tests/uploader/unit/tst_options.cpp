/* The command line: options left to right, usage text, file kinds by name. */
#include "fileio.h"
#include "main.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool parse(std::vector<const char *> args, Options &o) {
    args.insert(args.begin(), "VORNE_uploader");
    return parseOptions((int)args.size(), const_cast<char **>(args.data()), o);
}

TEST(Options, Table) {
    Options o;
    EXPECT_TRUE(parse({}, o));
    EXPECT_EQ(o.file, nullptr);
    EXPECT_EQ(o.type, 0);
    EXPECT_FALSE(o.silent);
    EXPECT_FALSE(o.service);

    Options a;
    EXPECT_TRUE(parse({"first.bin", "-s", "second.bin"}, a));
    EXPECT_STREQ(a.file, "second.bin");
    EXPECT_TRUE(a.silent);

    Options b;
    EXPECT_TRUE(parse({"-b", "-c"}, b));
    EXPECT_EQ(b.type, 1);
    Options c;
    EXPECT_TRUE(parse({"-c", "-bogus"}, c));
    EXPECT_EQ(c.type, 2); // only the second character counts

    Options s;
    EXPECT_TRUE(parse({"--FTDI_EEPROM_and_more"}, s));
    EXPECT_TRUE(s.service);

    Options r; /* its file is the next argument, whatever it looks like */
    EXPECT_TRUE(parse({"--restore-eeprom", "-A1_x.eeprom", "-s"}, r));
    EXPECT_STREQ(r.restore, "-A1_x.eeprom");
    EXPECT_EQ(r.file, nullptr);
    Options m;
    EXPECT_TRUE(parse({"--restore-eeprom"}, m));
    EXPECT_STREQ(m.restore, "");

    Options n; /* the bridge's name is the next argument too */
    EXPECT_TRUE(parse({"--bridge", "usb:1-2.4", "--restore-eeprom", "A1_x.eeprom"}, n));
    EXPECT_STREQ(n.bridge, "usb:1-2.4");
}

TEST(Options, UsageCases) {
    for (const char *bad :
         {"-h", "-x", "-", "--", "--FTDI_EEPRO", "--help", "--restore-eeprom=a", "--restore", "--bridge=usb:1-2"}) {
        Options o;
        EXPECT_FALSE(parse({"file.bin", bad, "-s"}, o)) << bad;
    }
}

TEST(Options, UsageText) {
    testing::internal::CaptureStdout();
    printUsage("./VORNE_uploader");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  ./VORNE_uploader [OPTION] [FILE]\n"
                                                      "\t-h\tthis help\n"
                                                      "\t-s\tsilent mode\n"
                                                      "\t-c\tfile is config file for VORNE\n"
                                                      "\t-b\tfile is firmware file for VORNE\n"
                                                      "\n\n");
}

TEST(FileKind, FirmwareByName) {
    EXPECT_TRUE(isFirmwareName("a.fw"));
    EXPECT_TRUE(isFirmwareName("/x/NEW.FW"));
    EXPECT_TRUE(isFirmwareName("x.fW"));
    EXPECT_TRUE(isFirmwareName(".fw"));
    EXPECT_FALSE(isFirmwareName("fw"));
    EXPECT_FALSE(isFirmwareName("a.bin"));
    EXPECT_FALSE(isFirmwareName("a.fwx"));
    EXPECT_FALSE(isFirmwareName("afw"));
    EXPECT_FALSE(isFirmwareName(""));
}

} // namespace
