#pragma once

#include "Erro.h"
#include "SessaoErp.h"

/// An ERP session that only counts log-ins and log-offs, for tests of the
/// window's lifecycle; every document operation fails the test loudly.
class SessaoContadora final : public SessaoErp {
public:
    struct Contagem {
        int logins = 0;
        int logoffs = 0;
        int destruicoes = 0;
    };
    explicit SessaoContadora(Contagem& c) : m_c(c) {}
    ~SessaoContadora() override { ++m_c.destruicoes; }

    void definicao(int) override {}
    bool login(const QString&, const QString&, const QString&, const QString&, const QString&) override {
        ++m_c.logins;
        return true;
    }
    bool logoff() override {
        ++m_c.logoffs;
        return true;
    }
    std::shared_ptr<ObjectoApi> CriaObjectoApi(const QString&) override { falhar(); }
    void setOpcaoEntrada1(bool) override {}
    void setOpcaoEntrada2(bool) override {}
    void CriaDocumentoEntrada(int, int, const QString&, const QString&, qint16, const QString&, const QString&,
                              const QString&, const QString&, const QString&, const QString&, int, const QString&,
                              const QStringList&, const QStringList&, const std::vector<double>&,
                              const std::vector<double>&, const QStringList&, ChaveDocumento&, bool&) override {
        falhar();
    }
    void UltimoErro(qint32&, QString&) override { falhar(); }
    void GravaDocumento(int, DocumentoComercial&, qint16&) override { falhar(); }
    void AnulaDocumento(int, ChaveDocumento&, EstadoOperacao&, qint16&) override { falhar(); }

private:
    [[noreturn]] static void falhar() {
        throw Erro(Erro::Erp, QStringLiteral("operação inesperada nesta sessão de teste"));
    }
    Contagem& m_c;
};
