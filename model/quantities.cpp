#include "model/quantities.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "fault/faults.h"
#include "model/state.h"
#include "physics/constants.h"

namespace torv {

namespace {

// The sample file's columns after the sample number, in file order.
constexpr std::array<const Quantity*, kSampleFileColumns> kSampleColumns = [] {
    std::array<const Quantity*, kSampleFileColumns> out {};
    for (const Quantity& q : kQuantities)
        if (q.sampleColumn > 0)
            out[q.sampleColumn - 2] = &q;
    return out;
}();
static_assert(std::ranges::all_of(kSampleColumns, [](const Quantity* q) { return q != nullptr; }),
    "every column of the sample file holds a series");

// Series K of the sample goes to e[K * stride]; the unit flags rise by it
// unless the caller raises them later.
template <class Fp, bool Flags = true, size_t... K>
inline void recordInto(
    StepState& s, const SampleSource& src, int slot, double* e, size_t stride, std::index_sequence<K...>)
{
    if constexpr (Flags)
        raiseUnitFlags(s, src);
    if (slot == kSamples)
        return;
    ((e[K * stride] = Fp::sound(kQuantities[K].record(src))), ...);
}

// Series K of the sample formed, as recordInto forms it, and let go.
template <class Fp, size_t... K>
inline void formInto(StepState& s, const SampleSource& src, int slot, std::index_sequence<K...>)
{
    raiseUnitFlags(s, src);
    if (slot == kSamples)
        return;
    // Each value held in a register, so that the compiler forms it without
    // a store.
    auto let = [](double v) {
#if defined(__x86_64__) || defined(__i386__)
        asm volatile("" : : "x"(v));
#else
        asm volatile("" : : "r"(v));
#endif
    };
    (let(Fp::sound(kQuantities[K].record(src))), ...);
}

} // namespace

template <class Fp> void takeSampleUnkept(StepState& s, double g, double Vwind, double Volumen, int slot)
{
    s.Re = Fp::sound(s.Roh * s.V * 1.0 / s.Mu);
    formInto<Fp>(s, SampleSource { s, g, Vwind, Volumen }, slot, std::make_index_sequence<kRecordedSeries>());
}

template <class Fp> void recordSample(StepState& s, double g, double Vwind, double Volumen, int slot, double* series)
{
    s.Re = Fp::sound(s.Roh * s.V * 1.0 / s.Mu);
    recordInto<Fp>(s, SampleSource { s, g, Vwind, Volumen }, slot, series + (slot - 1), kSamples,
        std::make_index_sequence<kRecordedSeries>());
}

template <class Fp>
void recordSampleValues(StepState& s, double g, double Vwind, double Volumen, int slot, double* series)
{
    s.Re = Fp::sound(s.Roh * s.V * 1.0 / s.Mu);
    recordInto<Fp, false>(s, SampleSource { s, g, Vwind, Volumen }, slot, series + (slot - 1), kSamples,
        std::make_index_sequence<kRecordedSeries>());
}

// Each flag as raising it sample by sample leaves it: by the last sample
// above the first threshold, where any is.
void raiseUnitFlagsOver(SamplingState& s, const double* series, int first, int last, const SampleSource& bound)
{
    for (const Quantity& q : kQuantities) {
        const double above = q.larger[0].above;
        if (q.flag == UnitFlag::None || !(q.record(bound) > above))
            continue;
        const double* v = series + code(q.series) * kSamples + (first - 1);
        for (int i = last - first; i >= 0; --i)
            if (v[i] > above) {
                detail::raiseUnitFlag(s, q, v[i]);
                break;
            }
    }
}

namespace {
constexpr std::array<bool, kRecordedSeries> kFixedInMotionAndAir = [] {
    std::array<bool, kRecordedSeries> fixed {};
    fixed.fill(true);
    for (const Series k : kMotionAndAirSeries)
        fixed[code(k)] = false;
    return fixed;
}();
} // namespace

void repeatFixedSeries(double* series, int first, int last)
{
    const size_t n = last > first ? static_cast<size_t>(last - first) : 0;
    for (int k = 0; k < kRecordedSeries; ++k) {
        if (!kFixedInMotionAndAir[k])
            continue;
        double* const to = series + k * kSamples + first; // slot first + 1
        const double v = to[-1];
        // Two slots a store, sixteen a round: left to itself, the compiler
        // stores one at a time.
        using Pair = double __attribute__((vector_size(16)));
        const Pair pair = { v, v };
        size_t i = 0;
        auto round = [&]<size_t... J>(double* at, std::index_sequence<J...>)
        {
            (std::memcpy(at + 2 * J, &pair, sizeof pair), ...);
        };
        for (; i + 16 <= n; i += 16)
            round(to + i, std::make_index_sequence<8>());
        for (; i < n; ++i)
            to[i] = v;
    }
}

template void recordSample<Checked>(StepState&, double, double, double, int, double*);
template void recordSample<Unchecked>(StepState&, double, double, double, int, double*);
template void takeSampleUnkept<Checked>(StepState&, double, double, double, int);
template void takeSampleUnkept<Unchecked>(StepState&, double, double, double, int);
template void recordSampleValues<Checked>(StepState&, double, double, double, int, double*);
template void recordSampleValues<Unchecked>(StepState&, double, double, double, int, double*);

std::span<const Quantity* const> sampleFileColumns()
{
    return kSampleColumns;
}

int unitFlagValue(UnitFlag flag, const SamplingState& flags)
{
    return flag == UnitFlag::None ? 0 : flags.*detail::kFlagVariables[static_cast<int>(flag)];
}

int unitFlagValue(UnitFlag flag)
{
    return unitFlagValue(flag, st);
}

std::span<const Quantity> quantities()
{
    return kQuantities;
}

const Quantity& quantity(Series s)
{
    return kQuantities[code(s)];
}

namespace {

const LargerUnit* largerUnitFor(Series s, const SamplingState& flags)
{
    const Quantity& q = quantity(s);
    if (q.flag == UnitFlag::None)
        return nullptr;
    const int v = unitFlagValue(q.flag, flags);
    for (const LargerUnit& u : q.larger)
        if (u.unit && u.flagValue == v)
            return &u;
    return nullptr;
}

} // namespace

const LargerUnit* currentLargerUnit(Series s)
{
    return largerUnitFor(s, st);
}

double divisorFor(Series s, const SamplingState& flags)
{
    const LargerUnit* u = largerUnitFor(s, flags);
    return u ? u->divisor : 1.0;
}

const char* currentUnit(Series s)
{
    return unitFor(s, st);
}

const char* unitFor(Series s, const SamplingState& flags)
{
    const LargerUnit* u = largerUnitFor(s, flags);
    return u ? u->unit : quantity(s).unit;
}

double currentDivisor(Series s)
{
    const LargerUnit* u = currentLargerUnit(s);
    return u ? u->divisor : 1.0;
}

const char* quantityName(Series s, int sprache)
{
    return inLanguage(quantity(s).name, sprache);
}

} // namespace torv
