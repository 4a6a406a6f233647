#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "Erro.h"
#include "Grelha.h"
#include "Guarda.h"
#include "Parametros.h"
#include "Pastas.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

/// A number as the tables hold it, compared as a number: a text that reads as
/// a number counts as that number; any other text, and an empty value, as none.
std::optional<double> comoNumero(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

bool eInteiro16(const QString& texto) {
    bool ok = false;
    const int v = texto.toInt(&ok);
    return ok && v >= -32768 && v <= 32767;
}

} // namespace

QColor frmImportacao::corFundo() {
    return QColor(213, 222, 242);
}
QColor frmImportacao::corTitulo() {
    return QColor(245, 240, 214);
}

frmImportacao::frmImportacao(QWidget* parent) : QWidget(parent) {
    criarControlos();
}

frmImportacao::~frmImportacao() {
    Form_Terminate();
}

QString frmImportacao::caminhoParametros() const {
    return juntarCaminho(Pastas::pastaAplicacao(), Parametros::NomeFicheiro);
}

QString frmImportacao::LerParametros(const QString& Texto) const {
    return Parametros::ler(caminhoParametros(), Texto);
}

void frmImportacao::Form_Load() {
    TiposEncomenda = Parametros::dividir(LerParametros(QStringLiteral("ENCOMENDAS")));
    TiposGuia = Parametros::dividir(LerParametros(QStringLiteral("GUIAS")));
    TiposEntrada = Parametros::dividir(LerParametros(QStringLiteral("ENTRADAS")));
    validarParametros(caminhoParametros());

    // Whether the Guia's document type is communicated to the tax authority.
    RecordSet rs;
    bd->consultar(QStringLiteral("Select * from TpDoc where Codigo=? "), {TiposGuia.at(0)}, rs);
    if (rs.fim())
        throw Erro(
            Erro::Parametros,
            QStringLiteral("O ficheiro de parâmetros \"%1\": o tipo de documento \"%2\" da chave GUIAS não existe "
                           "na tabela TpDoc da empresa.")
                .arg(caminhoParametros(), TiposGuia.at(0)));
    const auto tpdsaft = comoNumero(rs.campo(QStringLiteral("TPDSAFT")));
    const int flag = (tpdsaft && *tpdsaft == 0) ? 0 : 1;

    // How the series numbers its documents decides how they are saved.
    bd->consultar(QStringLiteral("Select * from NOMSERIE where TipoDoc=? and Serie=?"),
                  {TiposGuia.at(0), TiposGuia.at(1).toLongLong()}, rs);
    if (rs.contagem() > 0) {
        const auto origem = comoNumero(rs.campo(QStringLiteral("Origem")));
        if (origem && *origem == 1)
            ModoGravacao = 1;
        else if (origem && *origem == 2)
            ModoGravacao = flag == 1 ? 2 : 0;
        else
            ModoGravacao = flag == 1 ? 3 : 0;
    }
    LimparForm();
}

void frmImportacao::validarParametros(const QString& caminho) const {
    auto recusar = [&](const QString& motivo) {
        throw Erro(Erro::Parametros, QStringLiteral("O ficheiro de parâmetros \"%1\": %2").arg(caminho, motivo));
    };
    auto inteiro = [](const QString& t) {
        bool ok = false;
        t.toLongLong(&ok);
        return ok;
    };
    // Control characters are junk in a type, a series or a text, and a NUL
    // would break every statement on PostgreSQL.
    const std::pair<const char*, const QStringList*> listas[] = {
        {"ENCOMENDAS", &TiposEncomenda}, {"GUIAS", &TiposGuia}, {"ENTRADAS", &TiposEntrada}};
    for (const auto& [chave, lista] : listas)
        for (const QString& item : *lista)
            if (std::any_of(item.cbegin(), item.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }))
                recusar(QStringLiteral("a chave %1 tem caracteres de controlo; não parece texto.")
                            .arg(QLatin1String(chave)));
    if (TiposEncomenda.size() < 2)
        recusar(QStringLiteral("a chave ENCOMENDAS deve ter pelo menos um par tipo,série (tem %1 elemento(s)).")
                    .arg(TiposEncomenda.size()));
    for (qsizetype i = 1; i < TiposEncomenda.size(); i += 2)
        if (!inteiro(TiposEncomenda.at(i)))
            recusar(QStringLiteral("a série \"%1\" da chave ENCOMENDAS não é um número inteiro.")
                        .arg(TiposEncomenda.at(i)));
    if (TiposGuia.size() < 4)
        recusar(QStringLiteral("a chave GUIAS deve ter 4 elementos (tipo,série,sector,armazém); tem %1.")
                    .arg(TiposGuia.size()));
    if (!inteiro(TiposGuia.at(1)))
        recusar(QStringLiteral("a série \"%1\" da chave GUIAS não é um número inteiro.").arg(TiposGuia.at(1)));
    if (TiposEntrada.size() < 5)
        recusar(
            QStringLiteral("a chave ENTRADAS deve ter 5 elementos (tipo,série,texto,texto,factor de preço); tem %1.")
                .arg(TiposEntrada.size()));
    if (!eInteiro16(TiposEntrada.at(1)))
        recusar(QStringLiteral("a série \"%1\" da chave ENTRADAS não é um número inteiro entre -32768 e 32767.")
                    .arg(TiposEntrada.at(1)));
}

void frmImportacao::Form_Terminate() {
    if (m_terminado)
        return;
    m_terminado = true;
    if (SessaoErp* sessao = SessaoErp::global()) {
        sessao->logoff();
        SessaoErp::largarGlobal();
    }
    if (bd)
        bd->fechar();
}

void frmImportacao::closeEvent(QCloseEvent* event) {
    // A close asked for while a load reads waits for its end: the database
    // must not close under it.
    if (m_aCarregar) {
        m_fecharAposCarga = true;
        event->ignore();
        return;
    }
    // Unload does nothing: the window always closes, and with it the program.
    event->accept();
    guarda([this] { Form_Terminate(); });
}
