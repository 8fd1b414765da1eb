#include "method.h"

namespace lzh::enc {

const Method *method_for_level(int level) {
    static const Method methods[] = {
        {5, 13, 14, 4},
        {6, 15, 16, 5},
        {7, 16, 17, 5},
    };
    for (const Method &m : methods)
        if (m.level == level) return &m;
    return nullptr;
}

} // namespace lzh::enc
