// The port list on the real combo box 1001, made from the main window's dialog template: the
// cases a user meets, and random sequences of Searches and choices checked against a model of
// how the list must behave.
#include "doctest.h"
#include "framework/Controls.h"
#include "helpers/WideText.h"
#include "res/resource.h"
#include "ui/PortList.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using Names = std::vector<std::wstring>;

namespace {

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The main window's template, never shown: the box works the same, and a window that is never
// mapped costs no waiting on the display when it goes.
HWND CreateHiddenMainDialog() {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(IDD_QUORVEX_DIALOG), MAKEINTRESOURCEW(5));  // RT_DIALOG
    const BYTE* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, resource)));
    std::vector<BYTE> copy(bytes, bytes + ::SizeofResource(module, resource));
    DWORD style = 0;
    constexpr size_t kStyleOffset = 12;  // after version, signature, help id and extended style
    std::memcpy(&style, &copy[kStyleOffset], sizeof(style));
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(&copy[kStyleOffset], &style, sizeof(style));
    return ::CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), nullptr, QuietDialog,
                                        0);
}

// The main window's template with no behaviour of its own: only the port list is driven.
class PortListBench {
public:
    PortListBench() : dialog_(CreateHiddenMainDialog()) {
        box.SubclassWindow(::GetDlgItem(dialog_, IDC_PORT_LIST));
        // Entries and selection do not depend on drawing; without it Wine skips a round trip to
        // its server for every change, which thousands of random Searches would otherwise pay.
        box.SendMessageW(WM_SETREDRAW, FALSE);
    }
    ~PortListBench() {
        box.UnsubclassWindow();
        ::DestroyWindow(dialog_);
    }
    PortListBench(const PortListBench&) = delete;
    PortListBench& operator=(const PortListBench&) = delete;

    // A Search that found ports with these friendly names, in this order.
    void SearchNames(const Names& friendlyNames) {
        CArray<SSerInfo, SSerInfo&> found;
        for (const std::wstring& name : friendlyNames) {
            SSerInfo port;
            port.friendlyName = name;
            found.Add(port);
        }
        const int count = tables.TakeFoundPorts(found);
        tables.Refresh(box, count);
        tables.RememberSearch(count);
    }
    void Search(const std::vector<int>& numbers) {
        Names names;
        for (int n : numbers)
            names.push_back(L"Communications Port (COM" + std::to_wstring(n) + L")");
        SearchNames(names);
    }
    void Choose(const std::wstring& entry) const {
        box.SendMessageW(CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    }
    Names Entries() const {
        Names entries;
        for (int i = 0; i < box.GetCount(); ++i)
            entries.push_back(box.GetLBText(i));
        return entries;
    }
    std::wstring Selected() const { return box.GetWindowTextW(); }
    void Restart() {
        tables = CPortList();
        box.ResetContent();
    }

    CComboBox box;
    CPortList tables;

private:
    HWND dialog_;
};

// One window for the whole program: making and destroying a dialog costs Wine about two seconds.
PortListBench& FreshList() {
    static PortListBench list;
    list.Restart();
    return list;
}

}  // namespace

TEST_CASE("Search fills the port list and keeps the user's choice") {
    PortListBench& list = FreshList();

    SUBCASE("two ports are listed in ascending order, the first chosen") {
        list.Search({5, 3});
        CHECK(list.Entries() == Names{L"COM3", L"COM5"});
        CHECK(list.Selected() == L"COM3");
    }
    SUBCASE("three ports keep the order they were found in") {
        list.Search({5, 3, 4});
        CHECK(list.Entries() == Names{L"COM5", L"COM3", L"COM4"});
        CHECK(list.Selected() == L"COM5");
    }
    SUBCASE("the same ports again change nothing, not even the user's choice") {
        list.Search({5, 3, 4});
        list.Choose(L"COM4");
        list.Search({5, 3, 4});
        CHECK(list.Entries() == Names{L"COM5", L"COM3", L"COM4"});
        CHECK(list.Selected() == L"COM4");
        CHECK(list.box.GetCurSel() == 2);
    }
    SUBCASE("a chosen port still present stays chosen while the others change") {
        list.Search({3, 4, 5});
        list.Choose(L"COM4");
        list.Search({3, 4, 6});
        CHECK(list.Entries() == Names{L"COM3", L"COM4", L"COM6"});
        CHECK(list.Selected() == L"COM4");
    }
    SUBCASE("a chosen port moves with the new order") {
        list.Search({3, 4, 5});
        list.Choose(L"COM5");
        list.Search({5, 12, 13, 3});
        CHECK(list.Entries() == Names{L"COM5", L"COM12", L"COM13", L"COM3"});
        CHECK(list.Selected() == L"COM5");
        CHECK(list.box.GetCurSel() == 0);
    }
    SUBCASE("two ports found the other way round keep the order and the choice") {
        list.Search({3, 5});
        list.Choose(L"COM5");
        list.Search({5, 3});
        CHECK(list.Entries() == Names{L"COM3", L"COM5"});
        CHECK(list.Selected() == L"COM5");
    }
    SUBCASE("a chosen port that is gone gives a new list with its first port chosen") {
        list.Search({3, 4, 5});
        list.Choose(L"COM5");
        list.Search({12, 4, 3});
        CHECK(list.Entries() == Names{L"COM12", L"COM4", L"COM3"});
        CHECK(list.Selected() == L"COM12");
    }
    SUBCASE("no ports empty the list; the same ports after that are listed afresh") {
        list.Search({3, 4});
        list.Choose(L"COM4");
        list.Search({});
        CHECK(list.Entries().empty());
        CHECK(list.Selected().empty());
        list.Search({3, 4});
        CHECK(list.Entries() == Names{L"COM3", L"COM4"});
        CHECK(list.Selected() == L"COM3");
    }
}

TEST_CASE("the port number comes from the (COMn) part of the friendly name") {
    PortListBench& list = FreshList();

    SUBCASE("one and two digits") {
        list.SearchNames({L"USB Serial Port (COM12)", L"Communications Port (COM9)", L"Modem (COM255)"});
        CHECK(list.Entries() == Names{L"COM12", L"COM9", L"COM255"});
    }
    SUBCASE("names without a readable number are listed as COM0") {
        list.SearchNames({L"Printer Port", L"Port (COM)", L"", L"ab", L"Port (COM5", L"Port (COMabcd)"});
        CHECK(list.Entries() == Names(6, L"COM0"));
    }
    SUBCASE("a name without (COM loses its first three characters") {
        list.SearchNames({L"COM7)", L"XYZ12)"});
        CHECK(list.Entries() == Names{L"COM7", L"COM12"});
    }
    SUBCASE("a bare port name, as NT 4 gives it, is listed under its own number; other names stay COM0") {
        list.SearchNames({L"COM3", L"COM256", L"COM12", L"Port 1", L"COM1234", L"Bluetooth", L"COM255"});
        CHECK(list.Entries() == Names{L"COM3", L"COM12", L"COM0", L"COM0", L"COM255"});
    }
    SUBCASE("a character that is not a digit counts as 0 in its place") {
        list.SearchNames({L"Port (COM1x)", L"Port (COMx5)"});
        CHECK(list.Entries() == Names{L"COM5", L"COM10"});  // two ports: ascending
    }
    SUBCASE("ports whose number a byte cannot hold are left out, never listed under another number") {
        list.SearchNames({L"Port (COM256)", L"Port (COM3)", L"Port (COM999)", L"Port (COM1234)",
                          L"Port (COM" + std::wstring(300, L'9') + L")", L"Port (COM4)", L"Port (COM9x9)"});
        CHECK(list.Entries() == Names{L"COM3", L"COM4"});
    }
    SUBCASE("at most 255 ports are listed") {
        std::vector<int> numbers;
        for (int i = 0; i < 300; ++i)
            numbers.push_back(i % 256);
        list.Search(numbers);
        const Names entries = list.Entries();
        REQUIRE(entries.size() == 255);
        CHECK(entries.front() == L"COM0");
        CHECK(entries.back() == L"COM254");
        list.Search(numbers);  // unchanged: nothing to do
        CHECK(list.Entries().size() == 255);
    }
}

namespace {

// How the list must look after each step, from the rules a user sees: no ports empty it; the
// ports of the previous Search, in the same order, leave it alone; otherwise it shows the ports
// in the order found (two ports ascending), the chosen port stays chosen when it is still there,
// and else the first entry is chosen.
class ListModel {
public:
    void Search(const std::vector<int>& found) {
        if (found.empty()) {
            entries_.clear();
            selected_ = -1;
            previous_.clear();
            return;
        }
        if (found == previous_)
            return;
        std::vector<int> ordered = found;
        if (ordered.size() == 2)
            std::sort(ordered.begin(), ordered.end());
        const int chosen = selected_ < 0 ? -1 : entries_[static_cast<size_t>(selected_)];
        const auto kept = std::find(ordered.begin(), ordered.end(), chosen);
        selected_ = kept == ordered.end() ? 0 : static_cast<int>(kept - ordered.begin());
        entries_ = ordered;
        previous_ = ordered;
    }
    void Choose(int index) { selected_ = index; }

    Names Entries() const {
        Names names;
        for (int n : entries_)
            names.push_back(L"COM" + std::to_wstring(n));
        return names;
    }
    std::wstring Selected() const {
        return selected_ < 0 ? std::wstring() : L"COM" + std::to_wstring(entries_[static_cast<size_t>(selected_)]);
    }
    int SelectedIndex() const { return selected_; }
    size_t Size() const { return entries_.size(); }
    const std::vector<int>& Previous() const { return previous_; }

private:
    std::vector<int> entries_;
    int selected_ = -1;
    std::vector<int> previous_;
};

// Ports found by a Search: often a few of a small set, as on a real machine, so that Searches
// share ports; sometimes any numbers; sometimes the previous Search again, or it reordered.
std::vector<int> RandomSearch(std::mt19937& random, const std::vector<int>& previous) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    std::vector<int> found = previous;
    if (kind == 0)
        return found;
    if (kind == 1) {
        std::shuffle(found.begin(), found.end(), random);
        return found;
    }
    found.clear();
    const int count = std::uniform_int_distribution<int>(0, 20)(random);
    const bool smallSet = kind < 7;
    for (int i = 0; i < count; ++i)
        found.push_back(smallSet ? std::uniform_int_distribution<int>(1, 8)(random)
                                 : std::uniform_int_distribution<int>(0, 255)(random));
    if (smallSet) {  // a machine lists each port once
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        std::shuffle(found.begin(), found.end(), random);
    }
    return found;
}

}  // namespace

TEST_CASE("random Searches and choices leave the list as the model says") {
    PortListBench& list = FreshList();
    std::mt19937 random(20261207);
    int searches = 0;
    for (int sequence = 0; sequence < 10000; ++sequence) {
        list.Restart();
        ListModel model;
        const int steps = std::uniform_int_distribution<int>(1, 6)(random);
        for (int step = 0; step < steps; ++step) {
            if (model.Size() > 0 && std::uniform_int_distribution<int>(0, 2)(random) == 0) {
                const int index = std::uniform_int_distribution<int>(0, static_cast<int>(model.Size()) - 1)(random);
                list.box.SetCurSel(index);
                model.Choose(index);
            } else {
                const std::vector<int> found = RandomSearch(random, model.Previous());
                list.Search(found);
                model.Search(found);
                ++searches;
            }
            CAPTURE(sequence);
            CAPTURE(step);
            REQUIRE(list.Entries() == model.Entries());
            REQUIRE(list.Selected() == model.Selected());
            REQUIRE(list.box.GetCurSel() == model.SelectedIndex());
        }
    }
    MESSAGE(searches << " Searches in 10000 sequences");
}
