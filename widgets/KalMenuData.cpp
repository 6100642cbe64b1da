#include "KalMenuData.h"

#include <cwchar>

KalMenuData::~KalMenuData() {
    delete imageList;
    delete[] text;
}

void KalMenuData::SetText(const wchar_t* newText) {
    wchar_t* copy = nullptr;
    if (newText) {
        const size_t length = std::wcslen(newText);
        copy = new wchar_t[length + 1];
        std::wmemcpy(copy, newText, length + 1);
    }
    delete[] text;  // after the copy: newText may be the old text itself
    text = copy;
}
