// Temperature of the bubbler's bead thermistor from its resistance.
#pragma once

// True and Temperature (degrees Celsius) when Resistance (ohm) lies in the
// calibrated range 2986..32600 (both inclusive); False, with Temperature left
// untouched, outside it or for NaN.
bool ResistanceToTemperatureBead(double Resistance, double& Temperature);
