// The port table rules on a stand-in combo box: the edges of the 255-entry tables, and random
// Searches and choices checked against what the list must show.
#include <doctest/doctest.h>

#include "ui/PortList.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using Names = std::vector<std::wstring>;

namespace {

struct PortListOnStandIn {
    void Search(const std::vector<int>& numbers) {
        CArray<SSerInfo, SSerInfo&> found;
        for (int n : numbers) {
            SSerInfo port;
            port.friendlyName = L"Communications Port (COM" + std::to_wstring(n) + L")";
            found.Add(port);
        }
        taken = tables.TakeFoundPorts(found);
        tables.Refresh(box, taken);
        tables.RememberSearch(taken);
    }

    CComboBox box;
    CPortList tables;
    int taken = 0;
};

Names NamesOf(std::vector<int> numbers) {
    if (numbers.size() == 2)
        std::sort(numbers.begin(), numbers.end());
    Names names;
    for (int n : numbers)
        names.push_back(L"COM" + std::to_wstring(n));
    return names;
}

}  // namespace

TEST_CASE("at most 255 ports are taken, and numbers no byte holds are left out") {
    PortListOnStandIn list;
    std::vector<int> many;
    for (int n = 1; n <= 300; ++n)
        many.push_back(n);
    list.Search(many);
    CHECK(list.taken == 255);
    CHECK(list.box.GetCount() == 255);
    CHECK(list.box.GetLBText(254) == L"COM255");

    // Choose the last entry; a Search without COM1 (and so with one port fewer, as 256 and up
    // never count) keeps it chosen.
    list.box.SetCurSel(254);
    many.erase(many.begin());
    list.Search(many);
    CHECK(list.box.GetCount() == 254);
    CHECK(list.box.GetWindowTextW() == L"COM255");
    CHECK(list.box.GetCurSel() == 253);

    list.Search({256, 1000, 7});
    CHECK(list.box.Entries() == Names{L"COM7"});
    CHECK(list.box.GetWindowTextW() == L"COM7");

    list.Search({});
    CHECK(list.box.GetCount() == 0);
    CHECK(list.box.GetCurSel() == -1);
}

TEST_CASE("random Searches keep the list in discovery order and the choice while its port stays") {
    std::mt19937 random(20261208);
    for (int sequence = 0; sequence < 2000; ++sequence) {
        PortListOnStandIn list;
        std::wstring chosen;
        for (int step = 0; step < 6; ++step) {
            CAPTURE(sequence);
            CAPTURE(step);
            if (list.box.GetCount() > 0 && random() % 3 == 0) {
                list.box.SetCurSel(static_cast<int>(random() % static_cast<unsigned>(list.box.GetCount())));
                chosen = list.box.GetWindowTextW();
                continue;
            }
            std::vector<int> found;
            const int count = static_cast<int>(random() % 6);
            for (int i = 0; i < count; ++i)
                found.push_back(1 + static_cast<int>(random() % 8));
            const Names before = list.box.Entries();
            const bool sameSearch = NamesOf(found) == before && !found.empty();
            list.Search(found);
            if (sameSearch)
                continue;  // an unchanged Search leaves the box alone
            REQUIRE(list.box.Entries() == NamesOf(found));
            const bool stays =
                std::find(before.begin(), before.end(), chosen) != before.end() &&
                std::find(list.box.Entries().begin(), list.box.Entries().end(), chosen) != list.box.Entries().end();
            if (found.empty())
                CHECK(list.box.GetCurSel() == -1);
            else if (stays)
                CHECK(list.box.GetWindowTextW() == chosen);
            else
                CHECK(list.box.GetCurSel() == 0);
            chosen = list.box.GetWindowTextW();
        }
    }
}
