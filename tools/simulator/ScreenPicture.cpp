#include "ScreenPicture.h"

namespace {

constexpr int kWidth = 36;
constexpr int kHeight = 12;

using Grid = std::vector<std::string>;

// A corner drawn once stays a corner when a neighbour's border runs over it.
void Put(Grid& grid, int x, int y, char c) {
    char& cell = grid[y][x];
    if (cell != '+')
        cell = c;
}

void DrawWindow(Grid& grid, const ScreenWindow& w) {
    for (int x = w.left; x <= w.right; ++x) {
        Put(grid, x, w.top, '-');
        Put(grid, x, w.bottom, '-');
    }
    for (int y = w.top; y <= w.bottom; ++y) {
        Put(grid, w.left, y, '|');
        Put(grid, w.right, y, '|');
    }
    for (int x : {w.left, w.right})
        for (int y : {w.top, w.bottom})
            grid[y][x] = '+';
    grid[(w.top + w.bottom) / 2][(w.left + w.right) / 2] = static_cast<char>('0' + w.input);
}

// The three inputs of the small windows, in ascending order.
std::vector<int> OtherInputs(int large) {
    std::vector<int> others;
    for (int input = 1; input <= 4; ++input)
        if (input != large)
            others.push_back(input);
    return others;
}

}  // namespace

std::vector<ScreenWindow> WindowsOf(const DeviceState& state) {
    constexpr int W = kWidth, H = kHeight, halfW = kWidth / 2, halfH = kHeight / 2;
    constexpr int thirdW = kWidth / 3, thirdH = kHeight / 3;
    switch (state.layout) {
        case Layout::Single:
            return {{0, 0, W, H, state.mainInput}};
        case Layout::Quad:
            return {{0, 0, halfW, halfH, 1}, {halfW, 0, W, halfH, 2}, {0, halfH, halfW, H, 3}, {halfW, halfH, W, H, 4}};
        case Layout::H:
            return {{0, 0, thirdW, H, 1},
                    {thirdW, 0, 2 * thirdW, halfH, 2},
                    {thirdW, halfH, 2 * thirdW, H, 3},
                    {2 * thirdW, 0, W, H, 4}};
        case Layout::SplitOneTwo:
            return {{0, 0, halfW, H, 1}, {halfW, 0, W, H, 2}};
        case Layout::SplitThreeFour:
            return {{0, 0, halfW, H, 3}, {halfW, 0, W, H, 4}};
        case Layout::OneLargeThreeSmall: {
            const std::vector<int> small = OtherInputs(state.mainInput);
            return {{0, 0, 2 * thirdW, H, state.mainInput},
                    {2 * thirdW, 0, W, thirdH, small[0]},
                    {2 * thirdW, thirdH, W, 2 * thirdH, small[1]},
                    {2 * thirdW, 2 * thirdH, W, H, small[2]}};
        }
    }
    return {};
}

std::string DrawScreen(const DeviceState& state) {
    Grid grid(kHeight + 1, std::string(kWidth + 1, ' '));
    for (const ScreenWindow& window : WindowsOf(state))
        DrawWindow(grid, window);
    std::string picture;
    for (const std::string& row : grid)
        picture += "    " + row + "\n";
    picture += "    layout: " + DescribeLayout(state) + "\n";
    picture += "    audio: " + DescribeAudio(state) + "    standby: " + (state.standby ? "on" : "off") + "\n";
    picture += "    switches: " + DescribeSwitches(state.switches) + "\n";
    return picture;
}
