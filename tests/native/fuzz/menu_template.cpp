// Menu templates of any content: the reader must stop at the last byte, whatever it claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "widgets/MenuTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input, so that AddressSanitizer guards its end.
    const std::vector<std::uint8_t> bytes(data, data + size);
    menu_template::Reader reader(bytes.data(), bytes.size());
    if (!menu_template::SkipHeader(reader))
        return 0;
    std::size_t read = 4;
    menu_template::Item item;
    while (menu_template::ReadItem(reader, item)) {
        // Flags, the id unless a popup, the text and its terminator.
        read += 2 + (item.flags & menu_template::kPopup ? 0 : 2) + 2 * (item.text.size() + 1);
        if (read > size)
            std::abort();
    }
    return 0;
}
