#pragma once

#include <QtGlobal>

#include <random>

/// Numbers from a seed, the same on every machine: mt19937 gives the same
/// sequence everywhere, the standard distributions do not, so numbers in a
/// range are taken by hand.
class Sorteio {
public:
    explicit Sorteio(quint32 semente) : m_g(semente) {}
    int entre(int de, int ate) { return de + static_cast<int>(m_g() % static_cast<quint32>(ate - de + 1)); }
    bool em(int percentagem) { return entre(0, 99) < percentagem; }

private:
    std::mt19937 m_g;
};
