#include "sim/flugbahn.h"

#include <cmath>

#include "physics/faults.h"
#include "physics/subrout.h"
#include "plot/catalog.h"
#include "sim/activation.h"
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
constexpr long long kProgressSteps = 4096;

// What the run does differently by class, decided once from Szenario.Klasse.
struct RunKind {
    bool balloon; // 3: envelope set-up at every pass start
    bool buoyant; // 3, 4: buoyancy rule in every step
    bool reentry; // 7: stagnation-point heat flux
    bool rocket; // 8: thrust and fuel consumption
    bool burnTime; // 4, 8: Mdot and tBurn at pass start
};

RunKind runKind()
{
    const double k = st.Szenario.Klasse;
    return { k == 3, k == 3 || k == 4, k == 7, k == 8, k == 4 || k == 8 };
}

// The envelope of a balloon that carries its start mass at ground level,
// shared with the calculation form's activation. It comes before this pass
// sets g, so it uses the g the activation (or the previous pass) left.
void balloonSetup()
{
    st.Hend = 0; // the ground, whose density sizes the envelope
    balloonEnvelope(RadiusSquare::First);
    double verloren = st.Gasverlust / 86400 / 1000 * st.Oberflaeche * st.dt0;
    fpCheck(verloren);
    st.GasVerloren = verloren;
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
        double mdot = st.P / st.IudRun;
        fpCheck(mdot);
        st.Mdot = mdot;
        double tBurn = st.MtRun / st.Mdot;
        fpCheck(tBurn);
        st.tBurn = tBurn;
    }
    st.X = 0;
    st.H = st.H0;
    st.t = 0;
    st.V = st.V0;
    st.Q0grad = st.TTO;
    double q = st.TTO / 57.3;
    fpCheck(q);
    st.Q = q;
    st.Massa = st.MassaStart;
    st.S = st.S0;
    st.Volumen = st.VolumenStart;
    st.iPunkt = 1;
    double soll = st.Auftrieb + st.Auftrieb / 100 * st.Auftriebplus;
    fpCheck(soll);
    st.AuftriebSoll = soll;
    double belastung = st.MassaStart / st.S0;
    fpCheck(belastung);
    FormPort& form = formPort();
    form.setEdBelastung(general4(belastung, form.decimalSeparator()));
}

// Raises the unit flags by the values being recorded.
void updateUnitFlags()
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

// Stores sample `slot` of series 0..30 and raises the unit flags by the
// values just stored.
void recordSample(int slot)
{
    double re = st.Roh * st.V * 1.0 / st.Mu;
    fpCheck(re);
    st.Re = re;
    updateUnitFlags();
    // Slot 500 of series 0..30 is replaced by slot 499 when the run ends, so
    // what would be stored there is never seen; long passes land here on
    // every step.
    if (slot == kSamples)
        return;
    double schubProMasse = st.P / st.Massa;
    double reKilo = st.Re / 1000;
    double netto = st.Auftrieb - st.Massa * st.g;
    double qgrad = 57.3 * st.Q;
    fpCheck(schubProMasse, reKilo, netto, qgrad);

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

// One pass from the initial state to the end condition. The class choices
// are template arguments so that the step carries no test the pass decides
// once.
template <bool Rocket, bool Reentry, bool Buoyant> void integrate(bool aero, StepLog* log)
{
    const bool recording = st.Durchlauf2 == 1;
    long long steps = 0;
    do {
        if (++steps > kMaxStepsPerPass)
            throw TorvError("The flight needs more than 100000000 integration steps; choose a larger integration step");
        if (steps % kProgressSteps == 0 && !formPort().runProgress(recording ? 2 : 1, st.t, st.Tk))
            throw RunCancelled();
        // 1. Thrust and mass
        if (Rocket && st.t <= st.tBurn) {
            double mdot = st.P / st.IudRun;
            fpCheck(mdot);
            st.Mdot = mdot;
            double massa = st.Massa - st.Mdot * st.dt0;
            fpCheck(massa);
            st.Massa = massa;
            double tBurn = st.MtRun / st.Mdot;
            fpCheck(tBurn);
            st.tBurn = tBurn;
        } else {
            st.P = 0;
        }
        // 2. Area loading
        double belastung = st.Massa / st.S;
        fpCheck(belastung);
        st.Belastung = belastung;
        // 3. Atmosphere
        double temp, druck, aschall, roh, mu;
        Atmosphere(st.H, temp, druck, aschall, roh, mu);
        fpCheck(temp, druck, aschall, roh, mu);
        st.Temp = temp;
        st.Druck = druck;
        st.Aschall = st.H > 120000 ? kSoundSpeedHigh : aschall;
        st.Roh = roh;
        st.Mu = mu;
        // 4. Mach number
        double mach = st.V / st.Aschall;
        fpCheck(mach);
        st.Mach = mach;
        // 5. Aerodynamic model
        if (aero)
            Aerodynamik(st.AeroModel, st.P, st.Mach, st.Alfa, st.CxRun, st.CyRun, st.Cx0, st.Reserve);
        // 6. Reentry heating
        if (Reentry) {
            st.KWaerme = 223200;
            st.RohNull = 1.225;
            st.VWaerme = 8000;
            st.ExpV = 3.22;
            st.ExpRoh = 0.5;
            st.qWaerme = 0;
            if (st.H < kHeatingCeiling) {
                double q = st.KWaerme / std::sqrt(st.RSAT) * std::pow(st.Roh / st.RohNull, st.ExpRoh)
                    * std::pow(st.V / st.VWaerme, st.ExpV);
                fpCheck(q);
                st.qWaerme = q;
            }
        }
        // 7. Buoyancy: constant while rising, the weight less the lost gas
        // once the float altitude has been reached in this pass.
        if (Buoyant) {
            st.Auftrieb = st.AuftriebSoll;
            if (st.H >= st.HFlug)
                st.HFlugErreicht = 1;
            if (st.HFlugErreicht == 1)
                st.Auftrieb = st.Gewicht;
            double verloren = st.Gasverlust / 86400 / 1000 * st.Oberflaeche * st.dt0 * st.t;
            fpCheck(verloren);
            st.GasVerloren = verloren;
            if (st.HFlugErreicht == 1) {
                double verlust = st.Gewicht * st.GasVerloren / st.Volumen;
                fpCheck(verlust);
                st.AuftriebVerlust = verlust;
                double auftrieb = st.Gewicht - st.AuftriebVerlust;
                fpCheck(auftrieb);
                st.Auftrieb = auftrieb;
            }
        }
        // 8. Area loading again
        // Nothing since step 2 changed the mass or the area: the quotient is
        // the one already stored.
        // 9. Motion
        Bewegung(st.Auftrieb, st.P, st.S, st.Klasse, st.qDyn, st.ny, st.nx, st.Q, st.V, st.X, st.H, st.t, st.CyRun,
            st.CxRun, st.Roh, st.dt0, st.Vwind, st.Belastung);
        // 10. Derived values
        double qgrad = 57.3 * st.Q;
        double hkm = st.H / 1000;
        double xkm = st.X / 1000;
        double widerstand = st.CxRun * st.Roh * (st.V * st.V) / 2 * st.S;
        fpCheck(qgrad, hkm, xkm, widerstand);
        st.Qgrad = qgrad;
        st.Hkm = hkm;
        st.Xkm = xkm;
        st.Widerstand = widerstand;
        // 11. Step log
        if (log)
            log->writeStep();
        // 12. Position within the sampling interval
        double r = st.t / st.dtProbe;
        fpCheck(r);
        st.FracNeu = fracPart(r);
        // 13. Recording
        if (recording) {
            if (st.FracNeu - st.FracAlt <= kRecordTolerance && st.iPunkt <= kSamples) {
                recordSample(st.iPunkt);
                if (log && Buoyant)
                    log->writeMarker(st.iPunkt);
                if (st.iPunkt < kSamples)
                    ++st.iPunkt;
            }
            st.FracAlt = st.FracNeu;
        }
        // 14. End test
    } while (st.H > st.Hend && st.t < st.Tk);
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

void Flugbahn(RunFiles files)
{
    // A step that is not positive (or not a number) would never let the time
    // reach its end; refuse before anything changes.
    if (!(st.dt0 > 0) || !std::isfinite(st.dt0))
        throw TorvError("The integration step must be a positive number");
    // A step lost in the rounding of the end time could not reach it in any
    // number of steps the pass allows; a flight that ends at once (Tk <= 0)
    // is not concerned.
    if (st.Tk > 0 && st.Tk + st.dt0 == st.Tk)
        throw TorvError(kTooManySteps);
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
    StepLog log;
    if (st.DatenSchalter == 1 && files == RunFiles::Write)
        log.open(kind.buoyant);
    StepLog* logPtr = log.isOpen() ? &log : nullptr;

    for (;;) {
        passStart(kind);
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
    finishSeries();
    if (files == RunFiles::Write)
        writeSampleFile();
    applyGraphSelection(kind.balloon ? Sel::RunEndBalloon : Sel::RunEnd);
    formPort().drawGraph();
}

} // namespace torv
