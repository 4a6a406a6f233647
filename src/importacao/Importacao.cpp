// The window's load and end, its state, the filter fields and the grid's rules.
#include "Importacao.h"

#include "BaseDados.h"
#include "EdicaoLinhas.h"
#include "Erro.h"
#include "ModeloEncomendas.h"
#include "Parametros.h"
#include "ParametrosLidos.h"
#include "Pastas.h"
#include "SessaoErp.h"

#include <utility>

namespace {

/// Rows the grid holds after every rebuild.
constexpr int LinhasIniciais = 60;

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

Importacao::Importacao(const Pastas& pastas, QObject* parent)
    : QObject(parent), m_pastaAplicacao(pastas.pastaAplicacao()), m_linhas(new ModeloEncomendas(this)) {}

Importacao::~Importacao() {
    terminar();
}

QString Importacao::caminhoParametros() const {
    return juntarCaminho(m_pastaAplicacao, Parametros::NomeFicheiro);
}

QString Importacao::LerParametros(const QString& Texto) const {
    return Parametros::ler(caminhoParametros(), Texto);
}

void Importacao::abrir(BaseDados& bd, std::unique_ptr<SessaoErp> sessao, CorridasDoPosto* corridas) {
    m_bd = &bd;
    m_sessao = std::move(sessao);
    m_corridas = corridas;
    const QString encomendas = LerParametros(QStringLiteral("ENCOMENDAS"));
    const QString guias = LerParametros(QStringLiteral("GUIAS"));
    const QString entradas = LerParametros(QStringLiteral("ENTRADAS"));
    Parametros::Lidos p = Parametros::interpretar(caminhoParametros(), encomendas, guias, entradas);
    m_tiposEncomenda = std::move(p.encomendas);
    m_tiposGuia = std::move(p.guia);
    m_tiposEntrada = std::move(p.entrada);

    // Whether the Guia's document type is communicated to the tax authority.
    RecordSet rs;
    bd.consultar(QStringLiteral("Select * from TpDoc where Codigo=? "), {m_tiposGuia.tipo}, rs);
    if (rs.fim())
        throw Erro(
            Erro::Parametros,
            QStringLiteral("O ficheiro de parâmetros \"%1\": o tipo de documento \"%2\" da chave GUIAS não existe "
                           "na tabela TpDoc da empresa.")
                .arg(caminhoParametros(), m_tiposGuia.tipo));
    const auto tpdsaft = comoNumero(rs.campo(QStringLiteral("TPDSAFT")));
    const int flag = (tpdsaft && *tpdsaft == 0) ? 0 : 1;

    // How the series numbers its documents decides how they are saved.
    bd.consultar(QStringLiteral("Select * from NOMSERIE where TipoDoc=? and Serie=?"),
                 {m_tiposGuia.tipo, static_cast<qlonglong>(m_tiposGuia.serie)}, rs);
    if (rs.contagem() > 0) {
        const auto origem = comoNumero(rs.campo(QStringLiteral("Origem")));
        if (origem && *origem == 1)
            m_modoGravacao = 1;
        else if (origem && *origem == 2)
            m_modoGravacao = flag == 1 ? 2 : 0;
        else
            m_modoGravacao = flag == 1 ? 3 : 0;
    }
    limpar();
}

void Importacao::terminar() {
    if (m_terminado || !m_bd)
        return;
    m_terminado = true;
    if (m_sessao) {
        m_sessao->logoff();
        m_sessao.reset();
    }
    m_bd->fechar();
}

QString Importacao::nome(Campo campo) const {
    return campo == Campo::Cliente ? m_nomeCliente : campo == Campo::Artigo ? m_nomeArtigo : QString();
}

void Importacao::definirNome(Campo campo, const QString& nome) {
    (campo == Campo::Cliente ? m_nomeCliente : m_nomeArtigo) = nome;
    Q_EMIT nomeMudou(campo, nome);
}

void Importacao::definirEstado(const QString& estado) {
    m_estado = estado;
    Q_EMIT estadoMudou(estado);
}

void Importacao::definirMarcarSeguinte(bool marcar) {
    m_marcarSeguinte = marcar;
    Q_EMIT marcacaoMudou(marcar);
}

void Importacao::limpar() {
    refazerGrelha();
    definirNome(Campo::Cliente, QString());
    definirNome(Campo::Artigo, QString());
    m_linhasCarregadas = 0;
    m_filtrosUsados.limpar();
    definirMarcarSeguinte(true);
    Q_EMIT limpo();
}

void Importacao::refazerGrelha() {
    m_linhas->recomecar(LinhasIniciais);
    m_filtrosUsados.limpar();
    // What the status line said was about the grid just discarded.
    definirEstado(QString());
    Q_EMIT grelhaRefeita();
}

bool Importacao::sairDoCampo(Campo campo, const QString& texto) {
    const bool cliente = campo == Campo::Cliente;
    bool pode = true;
    if (m_validarCampo && (cliente || campo == Campo::Artigo)) {
        if (texto.isEmpty()) {
            // The client is mandatory, the article is not.
            if (cliente) {
                Q_EMIT aviso(QStringLiteral("Campo obrigatório!"));
                pode = false;
            } else {
                definirNome(campo, QString());
            }
        } else {
            const Instrucao i = cliente ? instrucaoCliente(texto) : instrucaoArtigo(texto);
            RecordSet rs;
            m_bd->consultar(i.sql, i.parametros, rs);
            if (rs.contagem() < 1) {
                Q_EMIT aviso(cliente ? QStringLiteral("Cliente não existente!")
                                     : QStringLiteral("Artigo não existente!"));
                // The client's name shown stays what it was; an unknown article's goes.
                if (!cliente)
                    definirNome(campo, QString());
                pode = false;
            } else {
                definirNome(campo, rs.campo(QStringLiteral("Nome")).toString());
                // A client accepted: the next load starts a fresh grid.
                if (cliente)
                    m_linhasCarregadas = 0;
            }
        }
    }
    m_validarCampo = false;
    return pode;
}

void Importacao::campoDeixado(Campo campo, const QString& texto) {
    if (campo == Campo::Artigo && texto.isEmpty())
        definirNome(Campo::Artigo, QString());
}

std::optional<Importacao::Lista> Importacao::lista(Campo campo) const {
    if (campo == Campo::Cliente)
        return Lista{QStringLiteral("Clientes"), consultaListaClientes()};
    if (campo == Campo::Artigo)
        return Lista{QStringLiteral("Artigos"), consultaListaArtigos()};
    return std::nullopt;
}

std::unique_ptr<Ligacao> Importacao::ligacaoLista() {
    return m_bd->novaLigacao();
}

void Importacao::valorAlterado(const QModelIndex& celula) {
    m_validarCampo = false;
    if (celula.isValid() && ModeloEncomendas::coluna(celula) == ColunaEncomenda::AN)
        m_linhas->seguirMarca(celula.row());
}

Importacao::Confirmacao Importacao::antesDeConfirmar(const QModelIndex& celula, const QString& texto,
                                                     const QVariant& anterior) {
    Confirmacao c;
    if (ModeloEncomendas::coluna(celula) == ColunaEncomenda::Qtd) {
        const int linha = celula.row();
        // The quantity being committed is the text typed: the cell keeps the
        // previous one until the commit.
        switch (decidirQuantidade(texto, m_linhas->quantidadePendente(linha).value_or(Moeda()), m_linhas->locale())) {
        case DecisaoQuantidade::NaoNumerico:
            c.cancelar = true;
            c.textoEditor = valorVazio(anterior) ? QString() : textoAnterior(anterior);
            break;
        case DecisaoQuantidade::Marcar:
            m_linhas->definirMarca(linha, true);
            c.cancelar = false;
            break;
        case DecisaoQuantidade::Desmarcar:
            m_linhas->definirMarca(linha, false);
            c.cancelar = false;
            break;
        case DecisaoQuantidade::Invalido:
            Q_EMIT aviso(QStringLiteral("Valor inválido!"));
            c.textoEditor = textoAnterior(anterior);
            c.cancelar = true;
            break;
        }
    }
    m_validarCampo = false;
    return c;
}

void Importacao::marcarTodas() {
    m_linhas->marcarTodas(m_marcarSeguinte);
    definirMarcarSeguinte(!m_marcarSeguinte);
    m_validarCampo = false;
}
