#include "platform/database/jet/format/rc4.h"

#include <array>
#include <utility>

void ApplyRc4(const QByteArray& key, char* data, qsizetype size)
{
    std::array<unsigned char, 256> state{};
    for (int i = 0; i < 256; ++i)
        state[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + state[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xff;
        std::swap(state[i], state[j]);
    }
    unsigned i = 0;
    j = 0;
    for (qsizetype k = 0; k < size; ++k) {
        i = (i + 1) & 0xff;
        j = (j + state[i]) & 0xff;
        std::swap(state[i], state[j]);
        data[k] = static_cast<char>(data[k] ^ state[(state[i] + state[j]) & 0xff]);
    }
}
