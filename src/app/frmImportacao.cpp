#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "Erro.h"
#include "Grelha.h"
#include "Guarda.h"
#include "Parametros.h"
#include "ParametrosLidos.h"
#include "Pastas.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

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
    const QString encomendas = LerParametros(QStringLiteral("ENCOMENDAS"));
    const QString guias = LerParametros(QStringLiteral("GUIAS"));
    const QString entradas = LerParametros(QStringLiteral("ENTRADAS"));
    Parametros::Lidos p = Parametros::interpretar(caminhoParametros(), encomendas, guias, entradas);
    TiposEncomenda = std::move(p.encomendas);
    TiposGuia = std::move(p.guia);
    TiposEntrada = std::move(p.entrada);

    // Whether the Guia's document type is communicated to the tax authority.
    RecordSet rs;
    bd->consultar(QStringLiteral("Select * from TpDoc where Codigo=? "), {TiposGuia.tipo}, rs);
    if (rs.fim())
        throw Erro(
            Erro::Parametros,
            QStringLiteral("O ficheiro de parâmetros \"%1\": o tipo de documento \"%2\" da chave GUIAS não existe "
                           "na tabela TpDoc da empresa.")
                .arg(caminhoParametros(), TiposGuia.tipo));
    const auto tpdsaft = comoNumero(rs.campo(QStringLiteral("TPDSAFT")));
    const int flag = (tpdsaft && *tpdsaft == 0) ? 0 : 1;

    // How the series numbers its documents decides how they are saved.
    bd->consultar(QStringLiteral("Select * from NOMSERIE where TipoDoc=? and Serie=?"),
                  {TiposGuia.tipo, static_cast<qlonglong>(TiposGuia.serie)}, rs);
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
