// Port numbers read from list entries and friendly names, at the edges of what a byte holds.
#include <doctest/doctest.h>

#include "ui/PortNumber.h"

TEST_CASE("a port text is read as up to three decimal places, non-digits counting as zero") {
    CHECK(PortTextValue(L"") == -1);
    CHECK(PortTextValue(L"1234") == -1);
    CHECK(PortTextValue(L"7") == 7);
    CHECK(PortTextValue(L"999") == 999);
    CHECK(PortTextValue(L"1x3") == 103);
    CHECK(PortTextValue(L"x") == 0);
    // Neighbours of the digits in the character table are not digits.
    CHECK(PortTextValue(L"/:") == 0);
}

TEST_CASE("only numbers a byte holds become port numbers") {
    CHECK(PortNumberFromText(L"255") == 255);
    CHECK(PortNumberFromText(L"256") == 0);
    CHECK(PortNumberFromText(L"0") == 0);
    CHECK(PortNumberFromText(L"") == 0);
    CHECK(PortNumberFromText(L"0001") == 0);

    CHECK_FALSE(IsBeyondPortRange(L"255"));
    CHECK(IsBeyondPortRange(L"256"));
    CHECK(IsBeyondPortRange(L"1000"));
    CHECK(IsBeyondPortRange(L"0001"));
    // Long texts with a non-digit are not numbers at all, so not beyond the range either.
    CHECK_FALSE(IsBeyondPortRange(L"12a4"));
    CHECK_FALSE(IsBeyondPortRange(L""));
}

TEST_CASE("the port text of a friendly name is what stands between (COM and the next )") {
    CHECK(PortTextFromFriendlyName(L"Communications Port (COM1)") == L"1");
    CHECK(PortTextFromFriendlyName(L"USB Serial (COM12) (COM3)") == L"12");
    CHECK(PortTextFromFriendlyName(L"(COM)") == L"");
    CHECK(PortTextFromFriendlyName(L"Port (COM4") == L"");
    // Without the marker the first three characters are dropped, as for a bare "COM7)".
    CHECK(PortTextFromFriendlyName(L"COM7)") == L"7");
    CHECK(PortTextFromFriendlyName(L"XYZ12)") == L"12");
    CHECK(PortTextFromFriendlyName(L"ab") == L"");
    CHECK(PortTextFromFriendlyName(L"") == L"");
    CHECK(MakePortName(L"9") == L"COM9");
}

TEST_CASE("a friendly name that is a bare port name gives what follows COM; other names without ) give nothing") {
    // NT 4, and 95/98/Me without a FRIENDLYNAME, name each port by its port name.
    CHECK(PortTextFromFriendlyName(L"COM3") == L"3");
    CHECK(PortTextFromFriendlyName(L"COM12") == L"12");
    CHECK(PortTextFromFriendlyName(L"COM256") == L"256");
    CHECK(PortTextFromFriendlyName(L"COM") == L"");
    // Only a name that starts with COM, compared exactly, is a port name.
    CHECK(PortTextFromFriendlyName(L"Port 1") == L"");
    CHECK(PortTextFromFriendlyName(L"Bluetooth") == L"");
    CHECK(PortTextFromFriendlyName(L"XCOM3") == L"");
    CHECK(PortTextFromFriendlyName(L"com3") == L"");
    // A name with "(COM" keeps to the bracket rule, even when it starts with COM.
    CHECK(PortTextFromFriendlyName(L"COM5 (COM4") == L"");
    CHECK(PortTextFromFriendlyName(L"COM5 (COM4)") == L"4");
}
