#include <gtest/gtest.h>

#include <cmath>

#include "model/state.h"

using namespace torv;

TEST(State, ScenarioPositionsMatchNamedFields)
{
    resetState();
    st.Szenario.at(0) = 3.0;
    st.Szenario.at(5) = 1000;
    st.Szenario.at(19) = 0.1;
    st.Szenario.at(33) = 300000;
    EXPECT_EQ(st.Szenario.Klasse, 3.0);
    EXPECT_EQ(st.Szenario.Masse, 1000);
    EXPECT_EQ(st.Szenario.dt, 0.1);
    EXPECT_EQ(st.Szenario.Schub, 300000);
    st.Szenario.RSAT = 2.8;
    EXPECT_EQ(st.Szenario.at(22), 2.8);
}

TEST(State, ResetClearsEverything)
{
    st.Massa = 5;
    st.Titel = "x";
    st.Ergebnis[49999] = 1;
    st.GraphCodes[20] = 7;
    st.Szenario.Mt = 4;
    resetState();
    EXPECT_EQ(st.Massa, 0);
    EXPECT_TRUE(st.Titel.empty());
    EXPECT_EQ(st.Ergebnis[49999], 0);
    EXPECT_EQ(st.GraphCodes[20], 0);
    EXPECT_EQ(st.Szenario.Mt, 0);
    EXPECT_EQ(st.Ergebnis.size(), 50000u);
}

// The classes the run and the forms single out keep the record's numbers;
// a value between or beyond them is no class (the forms show nothing of one).
TEST(State, VehicleClassFromTheRecordsNumber)
{
    EXPECT_EQ(vehicleClass(3.0), VehicleClass::Balloon);
    EXPECT_EQ(vehicleClass(4.0), VehicleClass::Airship);
    EXPECT_EQ(vehicleClass(5.0), VehicleClass::Glider);
    EXPECT_EQ(vehicleClass(7.0), VehicleClass::Reentry);
    EXPECT_EQ(vehicleClass(8.0), VehicleClass::Rocket);
    for (double notAClass : { 0.0, 3.5, 2.9999999, kVehicleClasses + 1.0, -3.0, std::nan("") })
        EXPECT_EQ(vehicleClass(notAClass), VehicleClass::None) << notAClass;
}
