#pragma once

#include <QHash>
#include <QString>

/// Faults armed by tests: the n-th occurrence of a named operation fails once.
class FalhasSimuladas final {
public:
    /// Arms `operacao` to fail on its `ocorrencia`-th occurrence from now.
    void armar(const QString& operacao, int ocorrencia);
    void limpar() { m_armadas.clear(); }
    /// Whether `operacao` is armed (at any occurrence).
    bool armada(const QString& operacao) const { return m_armadas.contains(operacao); }
    /// Counts one occurrence of `operacao`; true when this is the one armed
    /// to fail (the fault is then disarmed).
    bool deveFalhar(const QString& operacao);
    /// Counts one occurrence and raises Erro (Erp) "Falha simulada em ..." when
    /// armed. With "<operacao>:std" armed instead, raises std::runtime_error
    /// with that text: an error of another type than the program's own.
    void verificar(const QString& operacao);
    static QString texto(const QString& operacao);

private:
    struct Armada {
        int ocorrencia = 1;
        int vistas = 0;
    };
    QHash<QString, Armada> m_armadas;
};
