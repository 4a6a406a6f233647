// The local ERP's stores: the entry document, the Guia and the annulment,
// each in one database transaction.

#include "Dialecto.h"
#include "ErpLocal.h"
#include "ErpLocalInterno.h"
#include "ErpLocalServidor.h"
#include "Erro.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using ValoresObjecto = ValoresMembros;

QString texto(const ValoresObjecto& v, const QString& membro) {
    return v.value(membro).toString();
}

bool vazio(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return true;
    // A number's text is never empty.
    return !ErpBd::tipoInteiro(v) && v.typeId() != QMetaType::Double && v.toString().isEmpty();
}

/// Where a refused value is: the header (0) or the line of that number. Put
/// in words only for a refusal.
QString onde(int linha) {
    return linha == 0 ? QStringLiteral("Cabeçalho") : QStringLiteral("Linha %1").arg(linha);
}

int inteiro(const ValoresObjecto& v, const QString& membro, int defeito, int linha) {
    const QVariant valor = v.value(membro);
    if (valor.userType() != qMetaTypeId<Moeda>() && vazio(valor))
        return defeito;
    const auto i = ErpBd::inteiroDe(valor);
    if (!i || *i < std::numeric_limits<int>::min() || *i > std::numeric_limits<int>::max())
        throw Recusa{QStringLiteral("%1: o valor \"%2\" de %3 não é um número inteiro.")
                         .arg(onde(linha), valor.toString(), membro)};
    return static_cast<int>(*i);
}

std::optional<Moeda> valorDe(const ValoresObjecto& v, const QString& membro, int linha) {
    const QVariant valor = v.value(membro);
    if (valor.userType() != qMetaTypeId<Moeda>() && vazio(valor))
        return std::nullopt;
    const auto m = Moeda::deVariant(valor);
    if (!m)
        throw Recusa{
            QStringLiteral("%1: o valor \"%2\" de %3 não é um número.").arg(onde(linha), valor.toString(), membro)};
    return m;
}

QDate dataDe(const QString& t) {
    const QDate d = QDate::fromString(t, QStringLiteral("dd-MM-yyyy"));
    if (!d.isValid())
        throw Recusa{QStringLiteral("A data \"%1\" do documento não é válida (dd-mm-aaaa).").arg(t)};
    return d;
}

CabecalhoGravar lerCabecalho(const ValoresObjecto& v, int modo) {
    const int cabecalho = 0;
    CabecalhoGravar c;
    c.tipo = texto(v, QStringLiteral("TipoDocumento"));
    if (c.tipo.isEmpty())
        throw Recusa{QStringLiteral("O documento não tem tipo (TipoDocumento).")};
    if (vazio(v.value(QStringLiteral("Serie"))))
        throw Recusa{QStringLiteral("O documento não tem série (Serie).")};
    c.serie = inteiro(v, QStringLiteral("Serie"), 0, cabecalho);
    c.data = dataDe(texto(v, QStringLiteral("Data")));
    c.ano = inteiro(v, QStringLiteral("Ano"), c.data.year(), cabecalho);
    c.terceiro = texto(v, QStringLiteral("Terceiro"));
    c.tipoTerceiro = inteiro(v, QStringLiteral("TipoTerceiro"), 0, cabecalho);
    c.vossoNumero = texto(v, QStringLiteral("VossoNoDocumento"));
    c.areaGestao = inteiro(v, QStringLiteral("AreaGestao"), 0, cabecalho);
    c.sector = texto(v, QStringLiteral("Sector"));
    c.tipoPreco = inteiro(v, QStringLiteral("TipoPreco"), 0, cabecalho);
    c.contribuinte = texto(v, QStringLiteral("NumeroContribuinte"));
    c.desconto = valorDe(v, QStringLiteral("DescontoCabecalho"), cabecalho).value_or(Moeda());
    c.processo = texto(v, QStringLiteral("Processo"));
    c.meioTransporte = texto(v, QStringLiteral("MeiodeTransporte"));
    c.matricula = texto(v, QStringLiteral("Matricula"));
    c.localCarga = texto(v, QStringLiteral("LocalCarga"));
    c.localDescarga = texto(v, QStringLiteral("LocalDescarga"));
    c.modo = modo;
    return c;
}

Moeda quantidadePositiva(std::optional<Moeda> q, int linha) {
    if (!q)
        throw Recusa{QStringLiteral("%1: falta a quantidade.").arg(onde(linha))};
    if (*q <= Moeda())
        throw Recusa{
            QStringLiteral("%1: a quantidade tem de ser positiva (%2).").arg(onde(linha), ErpBd::textoQuantidade(*q))};
    return *q;
}

LinhaGravar lerLinha(const ValoresObjecto& v, int numero) {
    LinhaGravar l;
    l.tipoLinha = inteiro(v, QStringLiteral("TipoDeLinha"), 1, numero);
    l.artigo = texto(v, QStringLiteral("Artigo"));
    if (l.artigo.isEmpty())
        throw Recusa{QStringLiteral("%1: falta o artigo.").arg(onde(numero))};
    l.descricao = texto(v, QStringLiteral("Descricao"));
    l.armazem = texto(v, QStringLiteral("Armazem"));
    l.quantidade = quantidadePositiva(valorDe(v, QStringLiteral("Quantidade"), numero), numero);
    l.quantidadeOrigem = valorDe(v, QStringLiteral("QuantidadeOrigem"), numero).value_or(l.quantidade);
    l.preco = valorDe(v, QStringLiteral("PrecoUnitario"), numero).value_or(Moeda());
    if (!texto(v, QStringLiteral("OrDoc")).isEmpty()) {
        static const QStringList membros{QStringLiteral("Orano"), QStringLiteral("OrNum"), QStringLiteral("Orserie"),
                                         QStringLiteral("LinhaOriginal")};
        for (const QString& m : membros)
            if (vazio(v.value(m)))
                throw Recusa{
                    QStringLiteral("%1: a referência à encomenda está incompleta (falta %2).").arg(onde(numero), m)};
        LinhaGravar::Origem o;
        o.tipo = texto(v, QStringLiteral("OrDoc"));
        o.ano = inteiro(v, QStringLiteral("Orano"), 0, numero);
        o.numero = inteiro(v, QStringLiteral("OrNum"), 0, numero);
        o.serie = inteiro(v, QStringLiteral("Orserie"), 0, numero);
        o.linha = inteiro(v, QStringLiteral("LinhaOriginal"), 0, numero);
        l.origem = o;
    }
    return l;
}

void exigirArtigos(const QSqlDatabase& db, const std::vector<LinhaGravar>& linhas) {
    // Each article is looked up once, however many lines name it, in the
    // order of the lines.
    QSet<QString> vistos;
    vistos.reserve(static_cast<qsizetype>(linhas.size()));
    QStringList artigos;
    for (const LinhaGravar& l : linhas)
        if (!vistos.contains(l.artigo)) {
            vistos.insert(l.artigo);
            artigos << l.artigo;
        }
    // A block of articles at a time: a thousand-line document is a few
    // statements, not a thousand. A block not found whole is looked up one
    // by one, so that the refusal names its first missing article.
    for (qsizetype i = 0; i < artigos.size(); i += ErpBd::ArtigosPorConsulta) {
        const QStringList bloco = artigos.mid(i, ErpBd::ArtigosPorConsulta);
        if (ErpBd::artigosExistem(db, bloco))
            continue;
        for (const QString& a : bloco)
            if (!ErpBd::artigoExiste(db, a))
                throw Recusa{QStringLiteral("Artigo %1 inexistente.").arg(a)};
    }
}

/// Runs a store and records its outcome for UltimoErro: a refusal or any
/// error stores nothing.
template <class F> bool comDesfecho(NucleoErp& n, F&& loja) {
    if (!n.ligado()) {
        n.registar(CodigosErp::SemSessao, QStringLiteral("A sessão do ERP não está iniciada."));
        return false;
    }
    try {
        loja();
    } catch (const Recusa& r) {
        n.registar(CodigosErp::Recusado, r.texto);
        return false;
    } catch (const Erro& e) {
        n.registar(CodigosErp::ErroBaseDados, e.texto());
        return false;
    }
    n.registar(CodigosErp::Feito, {});
    return true;
}

/// Whether the session's stores are functions of its server, each called
/// in one statement (ErpLocalServidor).
bool noServidor(const NucleoErp& n) {
    return n.ligado() && ErpServidor::noServidor(n.db());
}

/// Runs `escrever` in one transaction and records the outcome for UltimoErro:
/// a refusal or any error rolls everything back. The test hooks (the action
/// and the fault "<operacao>:meio") strike after everything was written,
/// before the commit; the action after (accaoDepois) right after it.
template <class F> bool armazenar(NucleoErp& n, const QString& operacao, F&& escrever) {
    return comDesfecho(n, [&] {
        std::optional<ErpBd::Transaccao> transaccao;
        // A connection closed under the session (a store that failed when it
        // was cut) is opened again, on either engine.
        if (!n.db().isOpen())
            ErpBd::reabrir(n.db());
        try {
            transaccao.emplace(n.db());
        } catch (const Erro&) {
            // A connection the server dropped (restart, network) is opened
            // again once; SQLite has no connection to lose.
            if (!Dialecto::de(n.db()).servidor())
                throw;
            ErpBd::reabrir(n.db());
            transaccao.emplace(n.db());
        }
        escrever(n.db());
        if (n.accaoNoMeio)
            n.accaoNoMeio(operacao);
        if (n.accaoEmCurso)
            n.accaoEmCurso(operacao);
        n.falhas.verificar(operacao + QStringLiteral(":meio"));
        transaccao->confirmar();
        if (n.accaoDepois)
            n.accaoDepois(operacao);
    });
}

/// The same store on the server: one call, the hooks around it.
template <class F> bool armazenarNoServidor(NucleoErp& n, const QString& operacao, F&& chamar) {
    return comDesfecho(n, [&] {
        chamar();
        if (n.accaoDepois)
            n.accaoDepois(operacao);
    });
}

} // namespace

void ErpLocal::CriaDocumentoEntrada(int, int p2, const QString& tipo, const QString& textoA, qint16 serie,
                                    const QString&, const QString&, const QString&, const QString& data, const QString&,
                                    const QString& textoB, int, const QString&, const QStringList& artigos,
                                    const QStringList& descricoes, const std::vector<double>& quantidades,
                                    const std::vector<double>& precos, const QStringList& textos, ChaveDocumento& chave,
                                    bool& flag) {
    NucleoErp& n = *m_nucleo;
    flag = false;
    chave = ChaveDocumento{};
    n.falhas.verificar(QStringLiteral("CriaDocumentoEntrada"));
    if (n.falhas.deveFalhar(QStringLiteral("CriaDocumentoEntrada:recusa"))) {
        n.registar(CodigosErp::Recusado, FalhasSimuladas::texto(QStringLiteral("CriaDocumentoEntrada:recusa")));
        return;
    }

    CabecalhoGravar cab;
    std::vector<LinhaGravar> linhas;
    try {
        const auto tamanho = artigos.size();
        if (descricoes.size() != tamanho || qsizetype(quantidades.size()) != tamanho ||
            qsizetype(precos.size()) != tamanho || textos.size() != tamanho)
            throw Recusa{QStringLiteral("As listas das linhas do documento de entrada não têm todas o mesmo tamanho.")};
        if (tamanho < 2)
            throw Recusa{QStringLiteral("Documento inválido. Obrigatório ter linhas.")};
        cab.tipo = tipo;
        cab.serie = serie;
        cab.data = dataDe(data);
        cab.ano = cab.data.year();
        cab.areaGestao = p2;
        cab.armazem = textoA;
        cab.observacoes = textoB;
        for (qsizetype k = 1; k < tamanho; ++k) {
            const int linha = static_cast<int>(k);
            const auto i = static_cast<size_t>(k);
            LinhaGravar l;
            l.artigo = artigos.at(k);
            if (l.artigo.isEmpty())
                throw Recusa{QStringLiteral("%1: falta o artigo.").arg(onde(linha))};
            if (!std::isfinite(quantidades[i]) || !std::isfinite(precos[i]))
                throw Recusa{QStringLiteral("%1: a quantidade ou o preço não é um número.").arg(onde(linha))};
            l.descricao = descricoes.at(k);
            l.armazem = textoA;
            l.quantidade = quantidadePositiva(Moeda::deDouble(quantidades[i]), linha);
            l.quantidadeOrigem = l.quantidade;
            l.preco = Moeda::deDouble(precos[i]);
            linhas.push_back(l);
        }
    } catch (const Recusa& r) {
        n.registar(CodigosErp::Recusado, r.texto);
        return;
    }

    qint32 numero = 0;
    const QString operacao = QStringLiteral("CriaDocumentoEntrada");
    const bool ok = noServidor(n) ? armazenarNoServidor(n, operacao,
                                                        [&] { numero = ErpServidor::gravar(n, operacao, cab, linhas); })
                                  : armazenar(n, operacao, [&](const QSqlDatabase& db) {
                                        if (const auto motivo = ErpBd::verificarTipoSerie(db, cab.tipo, cab.serie))
                                            throw Recusa{*motivo};
                                        exigirArtigos(db, linhas);
                                        numero = ErpBd::proximoNumero(db, cab.tipo, cab.serie, cab.ano);
                                        ErpBd::inserirDocumento(db, cab, numero, linhas, n);
                                    });
    if (!ok)
        return;
    chave.Ano = static_cast<qint16>(cab.ano);
    chave.TipoDoc = cab.tipo;
    chave.Serie = serie;
    chave.Numero = numero;
    n.entradaPorLigar = textoChave(chave);
    flag = true;
}

void ErpLocal::GravaDocumento(int modo, DocumentoComercial& documento, qint16& flag) {
    NucleoErp& n = *m_nucleo;
    flag = 1;
    n.falhas.verificar(QStringLiteral("GravaDocumento:excepcao"));
    if (n.falhas.deveFalhar(QStringLiteral("GravaDocumento"))) {
        n.registar(CodigosErp::Recusado, FalhasSimuladas::texto(QStringLiteral("GravaDocumento")));
        return;
    }

    auto* doc = dynamic_cast<DocumentoLocal*>(&documento);
    CabecalhoGravar cab;
    std::vector<LinhaGravar> linhas;
    try {
        if (!doc)
            throw Recusa{QStringLiteral("O documento não foi criado pelo ERP local.")};
        if (doc->gravado())
            throw Recusa{QStringLiteral("O documento já foi gravado com o número %1.")
                             .arg(doc->cabecalho().obter(QStringLiteral("Numero")).toString())};
        if (modo < 1 || modo > 3)
            throw Recusa{QStringLiteral("O modo de gravação %1 não existe (1, 2 ou 3).").arg(modo)};
        cab = lerCabecalho(doc->cabecalho().valores(), modo);
        // The lines' suggested values are filled here, their articles read
        // in one go, unless the session is gone (which the store then says).
        const std::vector<ObjectoMembros>& valores = n.ligado() ? doc->linhas() : doc->linhasAdicionadas();
        if (valores.empty())
            throw Recusa{QStringLiteral("Documento inválido. Obrigatório ter linhas.")};
        int numLinha = 0;
        for (const auto& v : valores)
            linhas.push_back(lerLinha(v.valores(), ++numLinha));
    } catch (const Recusa& r) {
        n.registar(CodigosErp::Recusado, r.texto);
        return;
    } catch (const Erro& e) {
        n.registar(CodigosErp::ErroBaseDados, e.texto());
        return;
    }
    // Pairs the Guia with the entry this session stored for it.
    cab.relacionado = n.entradaPorLigar;

    qint32 numero = 0;
    const QString operacao = QStringLiteral("GravaDocumento");
    const bool ok =
        noServidor(n)
            ? armazenarNoServidor(n, operacao, [&] { numero = ErpServidor::gravar(n, operacao, cab, linhas); })
            : armazenar(n, operacao, [&](const QSqlDatabase& db) {
                  if (const auto motivo = ErpBd::verificarCliente(db, cab.terceiro))
                      throw Recusa{*motivo};
                  if (const auto motivo = ErpBd::verificarTipoSerie(db, cab.tipo, cab.serie))
                      throw Recusa{*motivo};
                  exigirArtigos(db, linhas);
                  if (cab.contribuinte.isEmpty()) {
                      const auto r = ErpBd::primeiraLinha(
                          db, QStringLiteral("SELECT NumContribuinte FROM Clientes WHERE Codigo = ?"), {cab.terceiro});
                      cab.contribuinte = r ? r->at(0).toString() : QString();
                  }
                  numero = ErpBd::proximoNumero(db, cab.tipo, cab.serie, cab.ano);
                  ErpBd::inserirDocumento(db, cab, numero, linhas, n);
                  // Order lines are taken in key order, the same in every session, so
                  // that two saves never wait for each other's lines crosswise.
                  std::vector<const LinhaGravar*> comOrigem;
                  for (const LinhaGravar& l : linhas)
                      if (l.origem)
                          comOrigem.push_back(&l);
                  std::stable_sort(comOrigem.begin(), comOrigem.end(), [](const LinhaGravar* a, const LinhaGravar* b) {
                      return a->origem->chave() < b->origem->chave();
                  });
                  for (const LinhaGravar* l : comOrigem)
                      ErpBd::satisfazer(db, *l->origem, l->quantidade, cab.terceiro);
              });
    if (!ok)
        return;
    doc->marcarGravado(numero);
    n.entradaPorLigar.clear();
    flag = 0;
}

void ErpLocal::AnulaDocumento(int, ChaveDocumento& chave, EstadoOperacao& estado, qint16& flag) {
    NucleoErp& n = *m_nucleo;
    flag = 1;
    n.falhas.verificar(QStringLiteral("AnulaDocumento:excepcao"));
    if (n.falhas.deveFalhar(QStringLiteral("AnulaDocumento"))) {
        n.registar(CodigosErp::Recusado, FalhasSimuladas::texto(QStringLiteral("AnulaDocumento")));
        estado = {n.codigoErro, n.textoErro};
        return;
    }
    const QString nome = textoChave(chave);
    const QVariantList doc{chave.TipoDoc, chave.Serie, chave.Numero, chave.Ano};
    const QString motivo = std::exchange(n.motivoAnulacao, QString());
    const QString operacao = QStringLiteral("AnulaDocumento");
    const bool ok =
        noServidor(n)
            ? armazenarNoServidor(
                  n, operacao,
                  [&] { ErpServidor::anular(n, chave.TipoDoc, chave.Serie, chave.Numero, chave.Ano, motivo); })
            : armazenar(n, operacao, [&](const QSqlDatabase& db) {
                  const QString ondeDoc = QStringLiteral(" WHERE TPDOC = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ?");
                  const auto cab =
                      ErpBd::primeiraLinha(db, QStringLiteral("SELECT ANULADO FROM DOCGCCAB") + ondeDoc, doc);
                  if (!cab)
                      throw Recusa{QStringLiteral("O documento %1 não existe.").arg(nome)};
                  // Conditional, so that of two sessions annulling at once only one does.
                  if (cab->at(0).toInt() == -1 ||
                      ErpBd::executar(db,
                                      QStringLiteral("UPDATE DOCGCCAB SET ANULADO = -1, MOTIVOANULACAO = ?") + ondeDoc +
                                          QStringLiteral(" AND ANULADO <> -1"),
                                      QVariantList{motivo} + doc)
                              .numRowsAffected() != 1)
                      throw Recusa{QStringLiteral("O documento %1 já está anulado.").arg(nome)};

                  const QString ondeLinhas =
                      QStringLiteral(" WHERE TPDOCUM = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ?");
                  std::vector<std::pair<LinhaGravar::Origem, Moeda>> devolver;
                  QSqlQuery q = ErpBd::executar(
                      db,
                      QStringLiteral("SELECT ORDOC, ORSERIE, ORNUM, ORANO, LINHAORIGINAL, QUANT FROM DOCGCLIN") +
                          ondeLinhas +
                          QStringLiteral(" AND LINANU <> -1 AND ORDOC IS NOT NULL AND ORDOC <> ''"
                                         " ORDER BY ORDOC, ORSERIE, ORNUM, ORANO, LINHAORIGINAL"),
                      doc);
                  while (q.next()) {
                      LinhaGravar::Origem o;
                      o.tipo = q.value(0).toString();
                      o.serie = q.value(1).toInt();
                      o.numero = q.value(2).toInt();
                      o.ano = q.value(3).toInt();
                      o.linha = q.value(4).toInt();
                      devolver.emplace_back(o, Moeda::deVariant(q.value(5)).value_or(Moeda()));
                  }
                  q = QSqlQuery();
                  // An order line that is gone has nothing to take back.
                  for (const auto& [o, quantidade] : devolver)
                      ErpBd::executar(
                          db,
                          QStringLiteral(
                              "UPDATE DOCGCLIN SET QUANT = (ROUND(QUANT * 10000) + ?) / 10000.0"
                              " WHERE TPDOCUM = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ? AND NUMLINHA = ?"),
                          {qlonglong(quantidade.unidades()), o.tipo, o.serie, o.numero, o.ano, o.linha});
                  ErpBd::executar(db, QStringLiteral("UPDATE DOCGCLIN SET LINANU = -1") + ondeLinhas, doc);
              });
    estado = {n.codigoErro, n.textoErro};
    if (!ok)
        return;
    if (n.entradaPorLigar == nome)
        n.entradaPorLigar.clear();
    flag = 0;
}

void ErpLocal::RegistaImpressao(ChaveDocumento& chave, qint32& anteriores, EstadoOperacao& estado) {
    NucleoErp& n = *m_nucleo;
    anteriores = 0;
    const QVariantList doc{chave.TipoDoc, chave.Serie, chave.Numero, chave.Ano};
    qint32 impressoes = 0;
    const QString operacao = QStringLiteral("RegistaImpressao");
    if (noServidor(n)) {
        armazenarNoServidor(n, operacao, [&] {
            const QVariantList r = ErpServidor::chamar(
                n, operacao, QStringLiteral("SELECT anteriores, recusa FROM erp_regista_impressao(?, ?, ?, ?)"), doc);
            impressoes = r.constFirst().toInt() + 1;
        });
    } else {
        armazenar(n, operacao, [&](const QSqlDatabase& db) {
            const QString ondeDoc = QStringLiteral(" WHERE TPDOC = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ?");
            // The row stays locked until the commit: two prints at once are
            // counted one after the other, each with its own number.
            const QString somar = QStringLiteral("UPDATE DOCGCCAB SET IMPRESSOES = IMPRESSOES + 1") + ondeDoc;
            if (ErpBd::escrever(db, somar, doc) != 1)
                throw Recusa{QStringLiteral("O documento %1 não existe.").arg(textoChave(chave))};
            const auto r = ErpBd::primeiraLinha(db, QStringLiteral("SELECT IMPRESSOES FROM DOCGCCAB") + ondeDoc, doc);
            impressoes = r ? r->at(0).toInt() : 0;
        });
    }
    estado = {n.codigoErro, n.textoErro};
    if (estado.Codigo == CodigosErp::Feito)
        anteriores = impressoes - 1;
}
