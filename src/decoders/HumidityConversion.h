// Raw readings of a combined humidity and temperature sensor to physical values.
#pragma once

namespace ravo {

struct HumidityReading {
    double humidity;     // compensated relative humidity, percent (not clamped)
    double temperature;  // degrees C
};

// srh: 12-bit humidity reading, st: 14-bit temperature reading (both taken as sent).
//   RHL = -4 + 0.0405 SRH - 2.8e-6 SRH^2
//   T   = -39.7 + 0.01 ST - 2e-8 (ST - 7000)^2
//   RH  = (T - 25) (0.01 + 0.00008 SRH) + RHL
inline HumidityReading humidityReading(int srh, int st) {
    const double h = srh;
    const double t = st;
    const double linear = -4 + 0.0405 * h + (-2.8e-6) * (h * h);
    const double temperature = -39.7 + 0.01 * t + (-2e-8) * ((t - 7000) * (t - 7000));
    const double humidity = (temperature - 25) * (0.01 + 0.00008 * h) + linear;
    return {humidity, temperature};
}

}  // namespace ravo
