#include "CorridaGuia.h"

#include "CodigosErp.h"
#include "Documentos.h"
#include "Erro.h"
#include "FicheirosEstado.h"
#include "LeituraDocumentos.h"
#include "NomesApi.h"

#include <QDate>

namespace {

QVariant curto(int v) {
    return QVariant::fromValue(static_cast<qint16>(v));
}

/// An order line's numbers are written to the ERP as 64-bit integers, the
/// type the company database hands them out in.
QVariant inteiro(qint32 v) {
    return QVariant::fromValue(static_cast<qlonglong>(v));
}

QString textoData(QDate data) {
    return data.toString(QStringLiteral("dd-MM-yyyy"));
}

/// The tail of every message about a run whose outcome could not be read.
const QString VerificadaDepois = QStringLiteral(
    "A execução fica por terminar no diário deste posto e é verificada no próximo arranque do programa (ou antes da "
    "próxima guia).");

/// The failure, then why nothing more can be said now, in one box.
QString porVerificar(const QString& falha, const QString& oQue, const Erro& leitura) {
    return falha + QStringLiteral("\n\nNão foi possível confirmar %1: %2 ").arg(oQue, comPonto(leitura.texto())) +
           VerificadaDepois;
}

/// Why the run did not start: nothing was stored. The journal's own errors
/// name its file; the operator is told where to look.
QString naoIniciada(const Erro& e) {
    QString t = QStringLiteral("Nada foi guardado: %1").arg(comPonto(e.texto()));
    if (e.numero() == Erro::Ficheiro)
        t += QStringLiteral("\nVerifique o espaço livre no disco e as permissões da pasta \"%1\", e volte a tentar.")
                 .arg(FicheirosEstado::pasta());
    return t;
}

/// What the journal keeps of the run before it stores its entry: the entry's
/// type, series and year, and its lines exactly as the entry receives them.
InicioCorrida inicioDaCorrida(const ParametrosEntrada& p, const std::vector<LinhaMarcada>& linhas,
                              const QString& cliente, QDate data) {
    InicioCorrida i;
    i.cliente = cliente;
    i.tipoEntrada = p.tipo;
    i.serieEntrada = p.serie;
    i.anoEntrada = static_cast<qint16>(data.year());
    for (const LinhaMarcada& l : linhas)
        i.linhas.push_back({l.encomenda.artigo, Moeda::deDouble(l.quantidade.paraDouble())});
    return i;
}

} // namespace

CorridaGuia::CorridaGuia(SessaoErp& sessao, ParametrosGuia guia, ParametrosEntrada entrada, qint16 modoGravacao,
                         CorridasDoPosto* corridas)
    : m_sessao(sessao), m_guia(std::move(guia)), m_entrada(std::move(entrada)), m_modoGravacao(modoGravacao),
      m_corridas(corridas) {}

ResultadoCorrida CorridaGuia::executar(const std::vector<LinhaMarcada>& linhas, const QString& cliente) {
    ResultadoCorrida r;
    // One reading of the clock for the whole run: the entry's date, its year
    // in the journal and the Guia's header always agree.
    const QDate hoje = QDate::currentDate();
    InicioCorrida inicio;
    if (m_corridas) {
        // Nothing is stored before the unfinished runs of this workstation are
        // closed and this run's start is on the disk.
        try {
            const ResultadoRecuperacao recuperacao = m_corridas->recuperar(m_sessao);
            if (recuperacao.baseInacessivel) {
                r.mensagens << recuperacao.texto +
                                   QStringLiteral("\n\nNada foi guardado: a guia só se faz depois de verificada essa "
                                                  "execução. Verifique a ligação à base de dados e volte a tentar.");
                return r;
            }
            if (!recuperacao.texto.isEmpty())
                r.mensagens << recuperacao.texto;
            inicio = m_corridas->iniciar(inicioDaCorrida(m_entrada, linhas, cliente, hoje));
        } catch (const Erro& e) {
            r.mensagens << naoIniciada(e);
            return r;
        }
    }

    QString falhaEntrada;
    try {
        r.entrada = GravaEntrada(linhas, hoje);
    } catch (const Erro& e) {
        const bool falhaBase = falhaDaBaseDados(std::current_exception());
        if (e.numero() != Erro::RecusadoErp && !falhaBase) {
            // Left unfinished in the journal: the program ends, and the next
            // start closes the run from what the database holds.
            r.erro = std::current_exception();
            return r;
        }
        if (falhaBase && m_corridas) {
            // The entry may have been committed all the same: the database says.
            try {
                r.entrada = m_corridas->entradaDaCorrida(inicio);
            } catch (const Erro& leitura) {
                r.mensagens << porVerificar(e.texto(), QStringLiteral("se a entrada ficou guardada"), leitura);
                r.porVerificar = true;
                return r;
            }
        }
        if (!r.entrada) {
            r.mensagens << e.texto();
            terminar(inicio, FimCorrida::Tipo::NadaGuardado, r, e.texto());
            return r;
        }
        falhaEntrada = e.texto();
    } catch (...) {
        r.erro = std::current_exception();
        return r;
    }
    if (m_corridas)
        m_corridas->entradaGuardada(inicio, *r.entrada);
    if (!falhaEntrada.isEmpty())
        // Stored although the ERP said it failed: the session does not know
        // it, and a Guia would not name it. It is annulled again.
        anulaEntrada(r, inicio, falhaEntrada);
    else
        fazGuia(r, inicio, linhas, cliente, hoje);
    return r;
}

void CorridaGuia::fazGuia(ResultadoCorrida& r, const InicioCorrida& inicio, const std::vector<LinhaMarcada>& linhas,
                          const QString& cliente, QDate data) {
    // The entry is stored: from here on, whatever fails, it is annulled again.
    std::exception_ptr falha;
    try {
        LibertaDocumento();
        CriaCabecalho(cliente, data);
        CriaLinhas(linhas);
        r.guia = chaveGuia();
    } catch (...) {
        falha = std::current_exception();
    }
    LibertaDocumento(); // the Guia is let go before the entry is annulled
    if (!falha) {
        terminar(inicio, FimCorrida::Tipo::GuiaFeita, r);
        return;
    }
    const QString texto = textoDoErro(falha);
    if (m_corridas && falhaDaBaseDados(falha)) {
        // The save may have been committed although its answer was lost: a
        // Guia in the database is a Guia made, and its entry stays.
        try {
            r.guia = guiaDaEntrada(m_corridas->base(), *r.entrada);
        } catch (const Erro& leitura) {
            r.mensagens << porVerificar(
                texto, QStringLiteral("se a guia da entrada %1 ficou gravada").arg(textoChave(*r.entrada)), leitura);
            r.porVerificar = true;
            return;
        }
        if (r.guia) {
            terminar(inicio, FimCorrida::Tipo::GuiaFeita, r);
            return;
        }
    }
    anulaEntrada(r, inicio, texto);
}

void CorridaGuia::anulaEntrada(ResultadoCorrida& r, const InicioCorrida& inicio, const QString& texto) {
    Anulacao a = anula(*r.entrada);
    if (a == Anulacao::Incerta && m_corridas) {
        // The annulment may have been committed although its answer was lost.
        try {
            a = anulada(m_corridas->base(), *r.entrada) ? Anulacao::Feita : Anulacao::Recusada;
        } catch (const Erro& leitura) {
            r.mensagens << porVerificar(
                texto, QStringLiteral("se a entrada %1 ficou anulada").arg(textoChave(*r.entrada)), leitura);
            r.porVerificar = true;
            return;
        }
    }
    r.mensagens << texto;
    if (a == Anulacao::Feita) {
        terminar(inicio, FimCorrida::Tipo::EntradaAnulada, r, texto);
        return;
    }
    r.porAnular.push_back(*r.entrada);
    r.mensagens << mensagemAnulacaoManual(r.porAnular);
    terminar(inicio, FimCorrida::Tipo::EntradaListada, r, texto);
}

void CorridaGuia::terminar(const InicioCorrida& inicio, FimCorrida::Tipo tipo, const ResultadoCorrida& r,
                           const QString& erro) {
    if (m_corridas)
        m_corridas->terminar(inicio, {tipo, r.entrada, r.guia, erro});
}

std::shared_ptr<ObjectoApi> CorridaGuia::ErpCreateApiObject(const QString& sObjectName) {
    return m_sessao.CriaObjectoApi(sObjectName);
}

void CorridaGuia::LibertaDocumento() {
    m_docComercial.reset();
}

ChaveDocumento CorridaGuia::GravaEntrada(const std::vector<LinhaMarcada>& linhas, QDate data) {
    const LinhasEntrada e = linhasEntrada(linhas, m_entrada.factor);
    m_sessao.setOpcaoEntrada1(true);
    m_sessao.setOpcaoEntrada2(true);
    ChaveDocumento chave;
    bool flag = false;
    m_sessao.CriaDocumentoEntrada(1, 4, m_entrada.tipo, m_entrada.armazem, m_entrada.serie, m_entrada.armazem,
                                  QString(), QString(), textoData(data), QString(), m_entrada.observacoes, 0, QString(),
                                  e.artigos, e.descricoes, e.quantidades, e.precos, e.textos, chave, flag);
    qint32 codigo = 0;
    QString texto;
    m_sessao.UltimoErro(codigo, texto);
    if (codigo != CodigosErp::Feito)
        throw Erro(codigo == CodigosErp::ErroBaseDados ? Erro::Sql : Erro::RecusadoErp, texto);
    return chave;
}

void CorridaGuia::CriaCabecalho(const QString& cliente, QDate data) {
    auto documento = std::dynamic_pointer_cast<DocumentoComercial>(ErpCreateApiObject(NomesApi::Documento));
    if (!documento)
        throw Erro(Erro::Erp, QStringLiteral("O ERP não criou o documento %1.").arg(NomesApi::Documento));
    ObjectoApi& cab = documento->Cab();
    cab.definir(QStringLiteral("Ano"), curto(data.year()));
    cab.definir(QStringLiteral("Data"), textoData(data));
    cab.definir(QStringLiteral("AreaGestao"), curto(4));
    cab.definir(QStringLiteral("Sector"), m_guia.sector);
    cab.definir(QStringLiteral("Serie"), m_guia.serieEscrita);
    cab.definir(QStringLiteral("TipoDocumento"), m_guia.tipo);
    cab.definir(QStringLiteral("TipoTerceiro"), curto(2));
    cab.definir(QStringLiteral("Terceiro"), cliente);
    cab.definir(QStringLiteral("TipoPreco"), curto(0));
    documento->Validar();
    cab.definir(QStringLiteral("NumeroContribuinte"), QString());
    cab.definir(QStringLiteral("DescontoCabecalho"), curto(0));
    cab.definir(QStringLiteral("Processo"), QString());
    cab.definir(QStringLiteral("VossoNoDocumento"), QString());
    cab.definir(QStringLiteral("MeiodeTransporte"), QString());
    cab.definir(QStringLiteral("Matricula"), QString());
    cab.definir(QStringLiteral("LocalCarga"), QString());
    cab.definir(QStringLiteral("LocalDescarga"), QString());
    m_docComercial = std::move(documento);
}

void CorridaGuia::CriaLinhas(const std::vector<LinhaMarcada>& linhas) {
    DocumentoComercial& documento = *m_docComercial;
    for (const LinhaMarcada& l : linhas) {
        const LinhaEncomenda& e = l.encomenda;
        const std::shared_ptr<ObjectoApi> linha = ErpCreateApiObject(NomesApi::Linha);
        if (!linha)
            throw Erro(Erro::Erp, QStringLiteral("O ERP não criou a linha %1.").arg(NomesApi::Linha));
        const QVariant quantidade = QVariant::fromValue(l.quantidade);
        linha->definir(QStringLiteral("TipoDeLinha"), curto(1));
        linha->definir(QStringLiteral("Artigo"), e.artigo);
        linha->definir(QStringLiteral("Armazem"), m_guia.armazem);
        documento.SugereValoresLin(*linha, true, true, false, true, true, false, true);
        linha->definir(QStringLiteral("Descricao"), e.descricao);
        linha->definir(QStringLiteral("Quantidade"), quantidade);
        linha->definir(QStringLiteral("QuantidadeOrigem"), quantidade);
        linha->definir(QStringLiteral("PrecoUnitario"), QVariant::fromValue(e.preco));
        linha->definir(QStringLiteral("OrDoc"), e.chave.tipo);
        linha->definir(QStringLiteral("Orano"), inteiro(e.chave.ano));
        linha->definir(QStringLiteral("OrNum"), inteiro(e.chave.numero));
        linha->definir(QStringLiteral("Orserie"), inteiro(e.chave.serie));
        linha->definir(QStringLiteral("LinhaOriginal"), inteiro(e.chave.linha));
        documento.AdicionaLinha(*linha);
    }
    if (linhas.empty())
        throw Erro(Erro::RecusadoErp, QStringLiteral("Documento inválido. Obrigatório ter linhas."));
    qint16 flag = 0;
    m_sessao.GravaDocumento(modoDeGravacao(m_modoGravacao), documento, flag);
    if (flag == 0)
        return;
    // Not saved, whatever code the ERP's last error holds (0 included).
    qint32 codigo = 0;
    QString texto;
    m_sessao.UltimoErro(codigo, texto);
    if (texto.isEmpty())
        texto = QStringLiteral("Documento não gravado.");
    throw Erro(codigo == CodigosErp::ErroBaseDados ? Erro::Sql : Erro::RecusadoErp, texto);
}

CorridaGuia::Anulacao CorridaGuia::anula(const ChaveDocumento& entrada) {
    try {
        ChaveDocumento chave = entrada;
        EstadoOperacao estado;
        qint16 flag = 0;
        m_sessao.AnulaDocumento(1, chave, estado, flag);
        if (estado.Codigo == CodigosErp::Feito)
            return Anulacao::Feita;
        return estado.Codigo == CodigosErp::ErroBaseDados ? Anulacao::Incerta : Anulacao::Recusada;
    } catch (...) {
        // Refused or raising: either way the entry stays, and the operator is
        // told; unless the database failed, when it may be annulled after all.
        return falhaDaBaseDados(std::current_exception()) ? Anulacao::Incerta : Anulacao::Recusada;
    }
}

ChaveDocumento CorridaGuia::chaveGuia() const {
    ChaveDocumento chave{0, m_guia.tipo, m_guia.serie, 0};
    try {
        ObjectoApi& cab = m_docComercial->Cab();
        bool ok = false;
        const int numero = cab.obter(QStringLiteral("Numero")).toInt(&ok);
        if (ok)
            chave.Numero = numero;
        const int ano = cab.obter(QStringLiteral("Ano")).toInt(&ok);
        if (ok)
            chave.Ano = static_cast<qint16>(ano);
    } catch (...) {
        // The key only names the Guia to the operator: an ERP that does not tell it is no failure.
    }
    return chave;
}

QString textoDoErro(const std::exception_ptr& erro) {
    if (!erro)
        return QString();
    try {
        std::rethrow_exception(erro);
    } catch (const Erro& e) {
        return e.texto();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Erro desconhecido.");
    }
}

bool falhaDaBaseDados(const std::exception_ptr& erro) {
    if (!erro)
        return false;
    try {
        std::rethrow_exception(erro);
    } catch (const Erro& e) {
        // Any failure of the database itself (not a refusal by the ERP's rules):
        // what reached the database is then only known by reading it.
        return e.daBaseDados();
    } catch (...) {
        return false;
    }
}
