#pragma once

#include <benchmark/benchmark.h>

#include <QJsonObject>
#include <QString>

#include <map>
#include <string>

namespace Bench {

/// One measure's result over its repetitions.
struct Medida {
    double mediana = 0; ///< seconds per iteration
    double minimo = 0;
    double cv = 0; ///< coefficient of variation of the repetitions
    int repeticoes = 0;
    std::map<std::string, double> contadores; ///< medians
    QString erro;
};

/// Keeps every measure's median (and minimum) and prints one line per measure.
class Recolha final : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& contexto) override;
    void ReportRuns(const std::vector<Run>& runs) override;

    const std::map<std::string, Medida>& medidas() const { return m_medidas; }

private:
    std::map<std::string, Medida> m_medidas;
};

/// The sizes the figures were measured at, as the bases of this run have them.
struct Tamanhos {
    int linhasGrande = 0;  ///< BIG's lines
    int linhasLimite = 0;  ///< LIMITE's lines
    int linhasGuia = 0;    ///< the lines of the Guia
    int linhasBase = 0;    ///< order lines of the large base
    int linhasPequena = 0; ///< order lines of the small base, BIG's and SMALL's aside
    int clientes = 0;      ///< clients of the large base
    int muitosClientes = 0;
};

/// Prints the table of figures against their floors and writes the JSON file
/// (the table, the raw measures, the machine). Returns the number of targets
/// missed (none in the smoke run, whose figures say nothing).
int relatar(const std::map<std::string, Medida>& medidas, const Tamanhos& tamanhos, const QJsonObject& planos,
            bool rapido, const QString& json);

} // namespace Bench
