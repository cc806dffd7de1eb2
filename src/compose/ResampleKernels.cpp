#include "compose/ResampleKernels.h"

#include <algorithm>

namespace resample {

namespace {
InstructionSet& active()
{
    static InstructionSet set = bestInstructionSet();
    return set;
}
} // namespace

bool isAvailable(InstructionSet set)
{
    switch (set) {
    case InstructionSet::Generic:
        return true;
    case InstructionSet::Sse2:
#if defined(__SSE2__)
        return true;
#else
        return false;
#endif
    case InstructionSet::Avx2:
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

const Kernels& kernelsFor(InstructionSet set)
{
    if (!isAvailable(set))
        return generic::kernels;
    switch (set) {
    case InstructionSet::Sse2:
        return sse2::kernels;
    case InstructionSet::Avx2:
        return avx2::kernels;
    case InstructionSet::Generic:
        break;
    }
    return generic::kernels;
}

InstructionSet bestInstructionSet()
{
    for (InstructionSet set : {InstructionSet::Avx2, InstructionSet::Sse2})
        if (isAvailable(set))
            return set;
    return InstructionSet::Generic;
}

const Kernels& activeKernels()
{
    return kernelsFor(active());
}

void setActiveInstructionSet(InstructionSet set)
{
    active() = isAvailable(set) ? set : InstructionSet::Generic;
}

} // namespace resample
