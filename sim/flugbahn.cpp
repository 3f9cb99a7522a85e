#include "sim/flugbahn.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <iterator>

#include "physics/bewegung.h"
#include "physics/faults.h"
#include "physics/subrout.h"
#include "plot/catalog.h"
#include "sim/activation.h"
#include "sim/checked.h"
#include "sim/formport.h"
#include "sim/numfmt.h"
#include "sim/quantities.h"
#include "sim/resultfiles.h"
#include "sim/state.h"

namespace torv {

namespace {

constexpr double kRecordTolerance = 0.0001;
constexpr double kSoundSpeedHigh = 290.0; // m/s above 120 km
constexpr double kHeatingCeiling = 160000.0;
// A pass longer than this would keep the program from answering for many
// seconds (or forever, once t + dt0 no longer grows); it is refused instead.
constexpr long long kMaxStepsPerPass = 100000000;
constexpr const char* kTooManySteps
    = "The flight needs more than 100000000 integration steps; choose a larger integration step";
// Steps between two reports to the form, which may cancel the run there.
// The fault flags are tested at these points (and at the end of a pass)
// only; a stretch that raised one is run again from its start with a test
// after every formula, which stops it where the fault happened.
constexpr long long kProgressSteps = kCheckpointSteps;

// What the run does differently by class, decided once from Szenario.Klasse.
struct RunKind {
    bool balloon; // envelope set-up at every pass start
    bool buoyant; // balloon, airship: buoyancy rule in every step
    bool reentry; // stagnation-point heat flux
    bool rocket; // thrust and fuel consumption
    bool burnTime; // airship, rocket: Mdot and tBurn at pass start
};

RunKind runKind()
{
    using enum VehicleClass;
    const VehicleClass k = vehicleClass(st.Szenario.Klasse);
    return { k == Balloon, k == Balloon || k == Airship, k == Reentry, k == Rocket, k == Airship || k == Rocket };
}

// The envelope of a balloon that carries its start mass at ground level,
// shared with the calculation form's activation. It comes before this pass
// sets g, so it uses the g the activation (or the previous pass) left.
void balloonSetup()
{
    st.Hend = 0; // the ground, whose density sizes the envelope
    balloonEnvelope(RadiusSquare::First);
    store(st.GasVerloren, st.Gasverlust / 86400 / 1000 * st.Oberflaeche * st.dt0);
    // The field's change handler stores the number shown back into S0.
    FormPort& form = formPort();
    form.setEdS0(balloonCrossSection(form.decimalSeparator(), RadiusSquare::First));
}

void passStart(const RunKind& kind)
{
    if (kind.balloon)
        balloonSetup();
    if (!kind.buoyant)
        st.Auftrieb = 0;
    st.FlagT = st.FlagV = st.FlagQ = st.FlagH = st.FlagX = st.FlagP = st.FlagM = 0;
    st.HFlugErreicht = 0;
    st.Hend = st.Hk;
    st.Vend = st.Vk;
    st.g = 9.8;
    st.CxRun = st.Cx;
    st.CyRun = st.Cy;
    st.MtRun = st.Mt;
    st.IudRun = st.Iud;
    st.MdvRun = st.Mdv;
    st.P = st.Schub;
    if (kind.burnTime) {
        store(st.Mdot, st.P / st.IudRun);
        store(st.tBurn, st.MtRun / st.Mdot);
    }
    st.X = 0;
    st.H = st.H0;
    st.t = 0;
    st.V = st.V0;
    st.Q0grad = st.TTO;
    store(st.Q, st.TTO / 57.3);
    st.Massa = st.MassaStart;
    st.S = st.S0;
    st.Volumen = st.VolumenStart;
    st.iPunkt = 1;
    store(st.AuftriebSoll, st.Auftrieb + st.Auftrieb / 100 * st.Auftriebplus);
    double belastung = st.MassaStart / st.S0;
    fpCheck(belastung);
    FormPort& form = formPort();
    form.setEdBelastung(general4(belastung, form.decimalSeparator()));
}

// Raises the unit flags by the values being recorded.
inline void updateUnitFlags()
{
    if (st.t > 3600)
        st.FlagT = 2;
    if (st.t > 36000)
        st.FlagT = 3;
    if (st.V > 1000)
        st.FlagV = 1;
    // The last sample above 1000 Pa decides between kPa and MPa.
    if (st.qDyn > 1000)
        st.FlagQ = 1;
    if (st.qDyn > 100000)
        st.FlagQ = 2;
    if (st.H > 10000)
        st.FlagH = 1;
    if (st.X > 10000)
        st.FlagX = 1;
    if (st.P > 10000)
        st.FlagP = 1;
    if (st.Massa > 10000)
        st.FlagM = 1;
}

// Stores sample `slot` (below kSamples) of series 0..30.
template <bool Checked> [[gnu::noinline]] void storeSample(int slot)
{
    double schubProMasse = st.P / st.Massa;
    double reKilo = st.Re / 1000;
    double netto = st.Auftrieb - st.Massa * st.g;
    double qgrad = 57.3 * st.Q;
    fpCheckIf<Checked>(schubProMasse, reKilo, netto, qgrad);

    double* e = st.Ergebnis.data() + (slot - 1);
    auto put = [e](Series series, double v) { e[code(series) * kSamples] = v; };
    put(Series::Time, st.t);
    put(Series::Speed, st.V);
    put(Series::DynamicPressure, st.qDyn);
    put(Series::Altitude, st.H < 0 ? 0.0 : st.H);
    put(Series::PathAngle, qgrad);
    put(Series::Reserved5, 0);
    put(Series::Reserved6, 0);
    put(Series::Range, st.X);
    put(Series::NetVertical, netto);
    put(Series::LoadFactorX, st.nx);
    put(Series::LoadFactorY, st.ny);
    put(Series::NetVertical2, netto);
    put(Series::Buoyancy, st.Auftrieb);
    put(Series::Wind, st.Vwind);
    put(Series::HeatFlux, st.qWaerme);
    put(Series::Thrust, st.P);
    put(Series::Mass, st.Massa);
    put(Series::ThrustPerMass, schubProMasse);
    put(Series::Reserved18, 0);
    put(Series::Volume, st.Volumen);
    put(Series::Buoyancy2, st.Auftrieb);
    put(Series::Drag, st.Drag);
    put(Series::Lift, st.Lift);
    put(Series::DragCoefficient, st.CxRun);
    put(Series::LiftCoefficient, st.CyRun);
    put(Series::Mach, st.Mach);
    put(Series::AirTemperature, st.Temp);
    put(Series::AirPressure, st.Druck);
    put(Series::AirDensity, st.Roh);
    put(Series::ReynoldsPer1000, reKilo);
    put(Series::BuoyancyLoss, st.AuftriebVerlust);
}

// Stores sample `slot` of series 0..30 and raises the unit flags by the
// values just stored.
template <bool Checked> inline void recordSample(int slot)
{
    double re = st.Roh * st.V * 1.0 / st.Mu;
    fpCheckIf<Checked>(re);
    st.Re = re;
    updateUnitFlags();
    // Slot 500 of series 0..30 is replaced by slot 499 when the run ends, so
    // what would be stored there is never seen; long passes land here on
    // every step.
    if (slot != kSamples)
        storeSample<Checked>(slot);
}

// Fractional part of r, r minus its truncation toward zero. Magnitudes of
// 2^52 and more are whole numbers already; below that the conversion
// through a 64-bit integer is exact and cheaper than a call.
inline double fracPart(double r)
{
    constexpr double kWhole = 4503599627370496.0; // 2^52
    if (!(std::fabs(r) < kWhole))
        return r - r;
    return r - static_cast<double>(static_cast<long long>(r));
}

// The constants of the stagnation-point heat flux, kept in the state.
constexpr double kKWaerme = 223200;
constexpr double kRohNull = 1.225;
constexpr double kVWaerme = 8000;
constexpr double kExpV = 3.22;
constexpr double kExpRoh = 0.5;

// Quotients of a step whose operands stay the same for a whole pass (no
// thrust that changes the mass, no aerodynamic model that changes the
// coefficients), computed once per stretch for the unchecked steps. They are
// computed where the flags are clean; one that raises a flag is left to the
// steps, which compute it only where they need it.
struct PassQuotients {
    bool hasBelastung = false;
    double belastung = 0; // Massa/S
    bool hasHeatScale = false;
    double heatScale = 0; // KWaerme/sqrt(RSAT)
    bool hasReentry = false;
    ReentryQuotients reentry {};
};

// v = f() if that raised no flag; the flags are clean before and after.
template <typename F> bool quietly(double& v, F f)
{
    double r = f();
    fpFence(r);
    if (fpPending()) {
        fpClear();
        return false;
    }
    v = r;
    return true;
}

template <bool Rocket, bool Reentry> PassQuotients passQuotients(bool aero)
{
    PassQuotients pq;
    if (Rocket)
        return pq;
    pq.hasBelastung = quietly(pq.belastung, [] { return st.Massa / st.S; });
    if (Reentry)
        pq.hasHeatScale = quietly(pq.heatScale, [] { return kKWaerme / std::sqrt(st.RSAT); });
    if (vehicleClass(st.Klasse) == VehicleClass::Reentry && !aero) {
        constexpr double g = 9.8;
        pq.hasReentry = quietly(pq.reentry.sigma, [] { return st.CxRun * st.S / (st.Massa * g); })
            && quietly(pq.reentry.sigmaCyCx, [&] { return pq.reentry.sigma * (st.CyRun / st.CxRun); });
    }
    return pq;
}

// The atmosphere's segment of the last step.
int atmosphereSegment = 0;

void storeHeatingConstants()
{
    st.KWaerme = kKWaerme;
    st.RohNull = kRohNull;
    st.VWaerme = kVWaerme;
    st.ExpV = kExpV;
    st.ExpRoh = kExpRoh;
}

// Stagnation-point heat flux at altitude h and speed v. `Pre`: pq holds
// every quotient, and the constants are stored already.
template <bool Checked, bool Pre> inline void reentryHeating(double h, double v, const PassQuotients* pq)
{
    if (!Pre)
        storeHeatingConstants();
    st.qWaerme = 0;
    if (h < kHeatingCeiling) {
        double q = (Pre || (pq && pq->hasHeatScale) ? pq->heatScale : kKWaerme / std::sqrt(st.RSAT))
            * std::pow(st.Roh / kRohNull, kExpRoh) * std::pow(v / kVWaerme, kExpV);
        fpCheckIf<Checked>(q);
        st.qWaerme = q;
    }
}

// Time, position, speed and path angle: the state the motion step
// advances. Checked steps work on st itself, so that a fault leaves st as it
// stands there; unchecked ones on copies that stay in registers for a whole
// stretch, given to st after every motion step.
struct Motion {
    double &t, &H, &X, &V, &Q;
    int& segment; // the atmosphere's segment of the last step

    void store() const
    {
        st.t = t;
        st.H = H;
        st.X = X;
        st.V = V;
        st.Q = Q;
    }
};

// Where a step starts from.
struct StepEntry {
    double t, H, X, V, Q;
};

// What the run's summary takes from the steps of a pass: the greatest values
// over every step, the start included, and where the last step started, so
// that the end condition can be placed within it.
struct StepTrack {
    double maxH = 0; // m
    double maxAbsNx = 0; // g
    double maxQDyn = 0; // Pa
    double minAccel = 0; // m/s2: the least a + g sin Q, if below 0
    StepEntry last {}; // found once the pass has ended (lastStepEntry)
};

// The track of the pass in progress.
StepTrack passTrack;

void startTrack()
{
    passTrack = StepTrack {};
    passTrack.maxH = st.H;
}

// The summary's part of a step, in this one place. The acceleration the
// motion step applied, less gravity along the path, is what every other
// force did; its least value gives the greatest deceleration.
inline void trackStep(StepTrack& tr, const Motion& m, const AppliedMotion& applied)
{
    constexpr double g = 9.8;
    tr.maxH = std::max(tr.maxH, m.H);
    tr.maxAbsNx = std::max(tr.maxAbsNx, std::fabs(st.nx));
    tr.maxQDyn = std::max(tr.maxQDyn, st.qDyn);
    tr.minAccel = std::min(tr.minAccel, applied.a + g * applied.sinQ);
}

// The summary of the pass just ended, from its track and the state after its
// last step.
RunSummary summarize(const StepTrack& tr)
{
    constexpr double g = 9.8;
    RunSummary r;
    StepEntry end { st.t, st.H, st.X, st.V, st.Q };
    // A flight that came down to Hend within its last step ends where the
    // straight line between the step's two states meets it.
    if (st.H <= st.Hend && tr.last.H > st.Hend) {
        const double f = (tr.last.H - st.Hend) / (tr.last.H - st.H);
        auto at = [f](double before, double after) { return before + f * (after - before); };
        end = { at(tr.last.t, st.t), st.Hend, at(tr.last.X, st.X), at(tr.last.V, st.V), at(tr.last.Q, st.Q) };
    }
    r.flightTime = end.t;
    r.range = end.X;
    r.endSpeed = end.V;
    r.endPathAngle = 57.3 * end.Q;
    r.maxAltitude = tr.maxH;
    r.maxLoadFactor = tr.maxAbsNx;
    r.maxDynamicPressure = tr.maxQDyn;
    r.maxDeceleration = -tr.minAccel / g;
    r.samples = st.iPunkt >= kSamples ? kSamples : st.iPunkt - 1;
    return r;
}

// One step of a pass. The class choices are template arguments so that the
// step carries no test the pass decides once; `Checked` tests the fault
// flags after every formula. Unless `Set` is kByClass, pq holds every
// quotient, there is neither thrust nor an aerodynamic model, and the values
// every step stores alike are stored already (stepConstants).
template <bool Checked, bool Rocket, bool Reentry, bool Buoyant, MotionSet Set>
inline AppliedMotion step(Motion& m, bool aero, StepLog* log, bool recording, const PassQuotients* pq)
{
    constexpr bool kPre = Set != MotionSet::kByClass;
    aero = aero && !kPre;
    // Thrust and mass
    if (Rocket && m.t <= st.tBurn) {
        double mdot = st.P / st.IudRun;
        fpCheckIf<Checked>(mdot);
        st.Mdot = mdot;
        double massa = st.Massa - st.Mdot * st.dt0;
        fpCheckIf<Checked>(massa);
        st.Massa = massa;
        double tBurn = st.MtRun / st.Mdot;
        fpCheckIf<Checked>(tBurn);
        st.tBurn = tBurn;
    } else if (!kPre) {
        st.P = 0;
    }
    // Area loading
    if (!kPre) {
        double belastung = pq && pq->hasBelastung ? pq->belastung : st.Massa / st.S;
        fpCheckIf<Checked>(belastung);
        st.Belastung = belastung;
    }
    // Atmosphere
    double temp, druck, aschall, roh, mu;
    atmosphereAt(m.H, m.segment, temp, druck, aschall, roh, mu);
    fpCheckIf<Checked>(temp, druck, aschall, roh, mu);
    st.Temp = temp;
    st.Druck = druck;
    if (m.H > 120000)
        aschall = kSoundSpeedHigh;
    st.Aschall = aschall;
    st.Roh = roh;
    st.Mu = mu;
    // Mach number
    double mach = m.V / aschall;
    fpCheckIf<Checked>(mach);
    st.Mach = mach;
    // Aerodynamic model
    if (aero)
        aerodynamikStep<Checked>(st.AeroModel, st.Mach, st.Alfa, st.CxRun, st.CyRun, st.Cx0);
    // Reentry heating. Nothing later in the step reads it: unchecked, it
    // comes after the motion step, from the same values, so that its two pow
    // calls overlap with the motion step's own chain of operations.
    const double hEntry = m.H, vEntry = m.V;
    if (Reentry && Checked)
        reentryHeating<Checked, kPre>(hEntry, vEntry, pq);
    // Buoyancy: constant while rising, the weight less the lost gas
    // once the float altitude has been reached in this pass.
    if (Buoyant) {
        st.Auftrieb = st.AuftriebSoll;
        if (m.H >= st.HFlug)
            st.HFlugErreicht = 1;
        if (st.HFlugErreicht == 1)
            st.Auftrieb = st.Gewicht;
        double verloren = st.Gasverlust / 86400 / 1000 * st.Oberflaeche * st.dt0 * m.t;
        fpCheckIf<Checked>(verloren);
        st.GasVerloren = verloren;
        if (st.HFlugErreicht == 1) {
            double verlust = st.Gewicht * st.GasVerloren / st.Volumen;
            fpCheckIf<Checked>(verlust);
            st.AuftriebVerlust = verlust;
            double auftrieb = st.Gewicht - st.AuftriebVerlust;
            fpCheckIf<Checked>(auftrieb);
            st.Auftrieb = auftrieb;
        }
    }
    // Motion. Nothing since the area loading changed the mass or the area,
    // so the quotient stored there is still the one this step needs.
    const AppliedMotion applied = bewegungStep<Checked, Set>(st.Auftrieb, st.P, st.S, st.Klasse, st.qDyn, st.ny, st.nx,
        m.Q, m.V, m.X, m.H, m.t, st.CyRun, st.CxRun, st.Roh, st.dt0, st.Vwind, st.Belastung,
        Set == MotionSet::kReentry || (pq && pq->hasReentry) ? &pq->reentry : nullptr);
    if (!Checked)
        m.store();
    if (Reentry && !Checked)
        reentryHeating<Checked, kPre>(hEntry, vEntry, pq);
    // Derived values. The path angle in degrees and the altitude and range in
    // km raise no flag (the angle is bounded, the others are divided by
    // 1000): unless the step log prints them, unchecked steps leave them to
    // the end of their stretch (storeDisplayValues).
    double widerstand = st.CxRun * st.Roh * (m.V * m.V) / 2 * st.S;
    if (Checked || log) {
        double qgrad = 57.3 * m.Q;
        double hkm = m.H / 1000;
        double xkm = m.X / 1000;
        fpCheckIf<Checked>(qgrad, hkm, xkm, widerstand);
        st.Qgrad = qgrad;
        st.Hkm = hkm;
        st.Xkm = xkm;
    }
    st.Widerstand = widerstand;
    // Step log
    if (log)
        log->writeStep();
    // Position within the sampling interval
    double r = m.t / st.dtProbe;
    fpCheckIf<Checked>(r);
    st.FracNeu = fracPart(r);
    // Recording
    if (recording) {
        if (st.FracNeu - st.FracAlt <= kRecordTolerance && st.iPunkt <= kSamples) {
            recordSample<Checked>(st.iPunkt);
            if (log && Buoyant)
                log->writeMarker(st.iPunkt);
            if (st.iPunkt < kSamples)
                ++st.iPunkt;
        }
        st.FracAlt = st.FracNeu;
    }
    return applied;
}

void storeDisplayValues()
{
    st.Qgrad = 57.3 * st.Q;
    st.Hkm = st.H / 1000;
    st.Xkm = st.X / 1000;
}

// What every step of a pass without thrust stores alike.
template <bool Reentry> void stepConstants(const PassQuotients& pq)
{
    st.P = 0;
    st.Belastung = pq.belastung;
    if (Reentry)
        storeHeatingConstants();
}

// Steps until the end test ends the pass (true) or `done` reaches `stop`.
template <bool Checked, bool Rocket, bool Reentry, bool Buoyant, MotionSet Set>
bool steps(long long& done, long long stop, bool aero, StepLog* log, bool recording, const PassQuotients* pq)
{
    if (Set != MotionSet::kByClass)
        stepConstants<Reentry>(*pq);
    double t = st.t, h = st.H, x = st.X, v = st.V, q = st.Q;
    int segment = atmosphereSegment;
    Motion m = Checked ? Motion { st.t, st.H, st.X, st.V, st.Q, atmosphereSegment } : Motion { t, h, x, v, q, segment };
    StepTrack track = passTrack;
    bool ended = false;
    do {
        const AppliedMotion applied = step<Checked, Rocket, Reentry, Buoyant, Set>(m, aero, log, recording, pq);
        if (recording) // the summary is the recording pass's
            trackStep(track, m, applied);
        ++done;
        // End test
        ended = !(m.H > st.Hend && m.t < st.Tk);
    } while (!ended && done < stop);
    passTrack = track;
    atmosphereSegment = m.segment;
    if (!Checked)
        storeDisplayValues();
    return ended;
}

template <bool Checked, bool Rocket, bool Reentry, bool Buoyant>
bool stretch(long long& done, long long stop, bool aero, StepLog* log, bool recording)
{
    if (Checked)
        return steps<true, Rocket, Reentry, Buoyant, MotionSet::kByClass>(done, stop, aero, log, recording, nullptr);
    const PassQuotients pq = passQuotients<Rocket, Reentry>(aero);
    // With every quotient at hand, the steps of a class other than the
    // balloon carry no class test.
    if constexpr (!Rocket) {
        const VehicleClass k = vehicleClass(st.Klasse);
        if (!aero && pq.hasBelastung && (!Reentry || pq.hasHeatScale) && k != VehicleClass::Balloon) {
            if (k != VehicleClass::Reentry)
                return steps<false, false, Reentry, Buoyant, MotionSet::kGeneral>(
                    done, stop, aero, log, recording, &pq);
            if (pq.hasReentry)
                return steps<false, false, Reentry, Buoyant, MotionSet::kReentry>(
                    done, stop, aero, log, recording, &pq);
        }
    }
    return steps<false, Rocket, Reentry, Buoyant, MotionSet::kByClass>(done, stop, aero, log, recording, &pq);
}

// Every variable of the state that a step may change, but the samples.
double* const kStepDoubles[] = { &st.t, &st.H, &st.X, &st.V, &st.Q, &st.Qgrad, &st.Hkm, &st.Xkm, &st.Massa,
    &st.Belastung, &st.P, &st.Mdot, &st.tBurn, &st.CxRun, &st.CyRun, &st.Alfa, &st.Cx0, &st.Mach, &st.Re, &st.qDyn,
    &st.nx, &st.ny, &st.Drag, &st.Lift, &st.Widerstand, &st.qWaerme, &st.Temp, &st.Druck, &st.Aschall, &st.Roh, &st.Mu,
    &st.Auftrieb, &st.GasVerloren, &st.AuftriebVerlust, &st.KWaerme, &st.RohNull, &st.VWaerme, &st.ExpV, &st.ExpRoh,
    &st.FracNeu, &st.FracAlt };
int* const kStepInts[] = { &st.HFlugErreicht, &st.BallonModus, &st.iPunkt, &st.FlagT, &st.FlagV, &st.FlagQ, &st.FlagH,
    &st.FlagX, &st.FlagP, &st.FlagM };

bool everyStepChecked = false;

// Series 0..30 as they were before the recording pass: the slots a stretch
// wrote after a fault get their earlier contents back from here.
std::array<double, kRecordedSeries * kSamples> samplesBefore;

// What a stretch starts from, so that it can be run again.
struct Checkpoint {
    double d[std::size(kStepDoubles)];
    int n[std::size(kStepInts)];
    StepTrack track;
    long long done = 0;
    long long logMark = 0;

    void save(long long steps, const StepLog* log)
    {
        for (size_t k = 0; k < std::size(d); ++k)
            d[k] = *kStepDoubles[k];
        for (size_t k = 0; k < std::size(n); ++k)
            n[k] = *kStepInts[k];
        track = passTrack;
        done = steps;
        logMark = log ? log->mark() : 0;
    }

    void restore(long long& steps, StepLog* log, bool recording) const
    {
        for (size_t k = 0; k < std::size(d); ++k)
            *kStepDoubles[k] = d[k];
        for (size_t k = 0; k < std::size(n); ++k)
            *kStepInts[k] = n[k];
        passTrack = track;
        steps = done;
        if (log)
            log->rollBack(logMark);
        // Slots from iPunkt on were not yet written in this pass (slot 500
        // never is).
        if (recording) {
            for (int k = 0; k < kRecordedSeries; ++k)
                for (int slot = st.iPunkt; slot < kSamples; ++slot)
                    st.Ergebnis[k * kSamples + slot - 1] = samplesBefore[k * kSamples + slot - 1];
        }
    }
};

// Where the last step of a pass started, so that the steps need not keep
// it: the stretch that ended the pass is run again from its checkpoint, up
// to that step, without recording or log, and the end state put back.
template <bool Rocket, bool Reentry, bool Buoyant>
StepEntry lastStepEntry(const Checkpoint& start, long long done, bool aero)
{
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    Checkpoint end;
    end.save(done, nullptr);
    long long n = 0;
    start.restore(n, nullptr, false);
    if (n < done - 1) {
        if (everyStepChecked)
            stretch<true, Rocket, Reentry, Buoyant>(n, done - 1, aero, nullptr, false);
        else
            stretch<false, Rocket, Reentry, Buoyant>(n, done - 1, aero, nullptr, false);
    }
    const StepEntry entry { st.t, st.H, st.X, st.V, st.Q };
    end.restore(n, nullptr, false);
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    return entry;
}

// One pass from the initial state to the end condition. Stretches of steps
// run without fault tests; a stretch that leaves a fault flag raised is run
// again, checked, from its checkpoint.
template <bool Rocket, bool Reentry, bool Buoyant> void integrate(bool aero, StepLog* log)
{
    const bool recording = st.Durchlauf2 == 1;
    if (recording)
        std::copy_n(st.Ergebnis.begin(), samplesBefore.size(), samplesBefore.begin());
    Checkpoint cp;
    long long done = 0;
    for (;;) {
        // The form hears of the progress before every kProgressSteps-th step.
        const long long stop = std::min(((done + 1) / kProgressSteps + 1) * kProgressSteps - 1, kMaxStepsPerPass);
        cp.save(done, log);
        bool ended = false;
        try {
            ended = everyStepChecked ? stretch<true, Rocket, Reentry, Buoyant>(done, stop, aero, log, recording)
                                     : stretch<false, Rocket, Reentry, Buoyant>(done, stop, aero, log, recording);
        } catch (const TorvError&) {
            // A result file error after a fault: the fault comes first.
            if (!fpPending())
                throw;
        }
        if (fpPending()) {
            cp.restore(done, log, recording);
            fpClear();
            ended = stretch<true, Rocket, Reentry, Buoyant>(done, stop, aero, log, recording);
        }
        if (ended) {
            if (recording)
                passTrack.last = lastStepEntry<Rocket, Reentry, Buoyant>(cp, done, aero);
            return;
        }
        if (done == kMaxStepsPerPass)
            throw TorvError(kTooManySteps);
        if (!formPort().runProgress(recording ? 2 : 1, st.t, st.Tk))
            throw RunCancelled();
        fpCheck();
    }
}

using PassFn = void (*)(bool, StepLog*);

template <bool Rocket, bool Reentry> PassFn pickBuoyant(bool buoyant)
{
    return buoyant ? integrate<Rocket, Reentry, true> : integrate<Rocket, Reentry, false>;
}

PassFn pickPass(const RunKind& kind)
{
    if (kind.rocket)
        return pickBuoyant<true, false>(kind.buoyant);
    if (kind.reentry)
        return pickBuoyant<false, true>(kind.buoyant);
    return pickBuoyant<false, false>(kind.buoyant);
}

// Sample 500 repeats sample 499; large quantities go to larger units.
void finishSeries()
{
    double* e = st.Ergebnis.data();
    for (int k = 0; k < kRecordedSeries; ++k)
        e[k * kSamples + kSamples - 1] = e[k * kSamples + kSamples - 2];

    for (const Quantity& q : quantities()) {
        const double divisor = currentDivisor(q.series);
        if (divisor == 1)
            continue;
        double* s = e + code(q.series) * kSamples;
        for (int i = 0; i < kSamples; ++i)
            s[i] = s[i] / divisor;
    }
}

} // namespace

void checkEveryStep(bool on)
{
    everyStepChecked = on;
}

void Flugbahn(RunFiles files)
{
    // A step that is not positive (or not a number) would never let the time
    // reach its end; refuse before anything changes.
    if (!(st.dt0 > 0) || !std::isfinite(st.dt0))
        throw TorvError("The integration step must be a positive number");
    fpClear();

    const RunKind kind = runKind();
    const PassFn pass = pickPass(kind);
    const bool aero = std::nearbyint(st.AeroModel) != 0;

    st.NPunkte = kSamples;
    st.PageSize = 30 * st.NPunkte;
    st.Trenn = "  ";
    st.Durchlauf2 = 0;
    st.dtProbe = 1.0;
    st.FracAlt = -100.0;
    st.Summary = {};
    StepLog log;
    if (st.DatenSchalter == 1 && files == RunFiles::Write)
        log.open(kind.buoyant);
    StepLog* logPtr = log.isOpen() ? &log : nullptr;

    for (;;) {
        passStart(kind);
        startTrack();
        pass(aero, logPtr);
        double dtProbe = st.t / st.NPunkte;
        fpCheck(dtProbe);
        st.dtProbe = dtProbe;
        if (st.Durchlauf2 != 0)
            break;
        st.Durchlauf2 = 1;
        st.FracAlt = 100.0;
    }

    log.close();
    const RunSummary summary = summarize(passTrack);
    finishSeries();
    if (files == RunFiles::Write)
        writeSampleFile();
    applyGraphSelection(kind.balloon ? Sel::RunEndBalloon : Sel::RunEnd);
    st.Summary = summary;
    formPort().drawGraph();
}

} // namespace torv
