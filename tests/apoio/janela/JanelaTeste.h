#pragma once

#include "AmbienteJanela.h"
#include "ApoioWidgets.h"
#include "Importacao.h"
#include "frmImportacao.h"

class CampoEntrada;
class Grelha;
class QLabel;
class QPushButton;

/// The window over its controller, as start-up makes them, on an environment:
/// loaded with the environment's counting session (or the one given), unless
/// told not to load; its events run inside the environment's guard (or the
/// one given). Its controls are reached by their names.
struct JanelaTeste {
    explicit JanelaTeste(AmbienteJanela& a, std::unique_ptr<SessaoErp> sessao = {}, bool carregar = true)
        : JanelaTeste(a, a.guarda, std::move(sessao), carregar) {}
    JanelaTeste(AmbienteJanela& a, Guarda& guarda, std::unique_ptr<SessaoErp> sessao = {}, bool carregar = true);
    Q_DISABLE_COPY_MOVE(JanelaTeste)

    CampoEntrada* campo(int indice) const;
    QLabel* Label2(int indice) const;
    QPushButton* btFx(int indice) const;
    /// A button by name: "btCarga", "btEnc", "btMarcar", "btCancelar", "btSair".
    QPushButton* bt(const char* nome) const;
    Grelha* grelha() const;
    QLabel* estado() const;
    QWidget* foco() const { return w.focusWidget(); }
    ModeloEncomendas& m() { return importacao.linhas(); }
    /// Sets the four filter fields' texts.
    void filtros(const QString& cliente, const QString& artigo = {}, const QString& numero = {},
                 const QString& req = {});

    Importacao importacao;
    frmImportacao w;
};
