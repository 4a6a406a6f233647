#include "JanelaTeste.h"

#include "CampoEntrada.h"
#include "Grelha.h"

#include <QLabel>
#include <QPushButton>

JanelaTeste::JanelaTeste(AmbienteJanela& a, Guarda& guarda, std::unique_ptr<SessaoErp> sessao, bool carregar)
    : importacao(a.pastas), w(importacao, guarda) {
    if (carregar)
        w.Form_Load(a.bd, sessao ? std::move(sessao) : a.sessao());
}

CampoEntrada* JanelaTeste::campo(int indice) const {
    return qobject_cast<CampoEntrada*>(porNome(w, QStringLiteral("campo%1").arg(indice)));
}

QLabel* JanelaTeste::Label2(int indice) const {
    return qobject_cast<QLabel*>(porNome(w, QStringLiteral("Label2_%1").arg(indice)));
}

QPushButton* JanelaTeste::btFx(int indice) const {
    return qobject_cast<QPushButton*>(porNome(w, QStringLiteral("btFx%1").arg(indice)));
}

QPushButton* JanelaTeste::bt(const char* nome) const {
    return qobject_cast<QPushButton*>(porNome(w, QLatin1String(nome)));
}

Grelha* JanelaTeste::grelha() const {
    return qobject_cast<Grelha*>(porNome(w, QStringLiteral("Grelha")));
}

QLabel* JanelaTeste::estado() const {
    return qobject_cast<QLabel*>(porNome(w, QStringLiteral("estado")));
}

void JanelaTeste::filtros(const QString& cliente, const QString& artigo, const QString& numero, const QString& req) {
    campo(1)->setText(cliente);
    campo(0)->setText(artigo);
    campo(2)->setText(numero);
    campo(3)->setText(req);
}
