#include "Apoio.h"
#include "BaseDados.h"
#include "CodigosErp.h"
#include "ErpLocal.h"
#include "ErpLocalInterno.h"
#include "Erro.h"
#include "Esquema.h"
#include "Moeda.h"
#include "NomesApi.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <barrier>
#include <optional>
#include <thread>

namespace {

const QString Documento = QStringLiteral("ErpApi.DocumentoComercial");
const QString Linha = QStringLiteral("ErpApi.DocumentosGcLin");

/// A company database with demo data, an ERP user "operador" (password
/// "segredo"), the company EMP1 and the order ENC/1/15/2026 of client C1
/// with pending 10 (A1), 5 (A2) and 2 (A3).
struct Ambiente {
    explicit Ambiente(Motor motor) : base(motor) {
        base.dadosBase();
        base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('EMP1', 'Empresa Um')"));
        base.executar(QStringLiteral("UPDATE Clientes SET NumContribuinte = '501234567' WHERE Codigo = 'C1'"));
        Esquema::definirUtilizadorErp(base.db(), QStringLiteral("operador"), QStringLiteral("segredo"));
        base.encomenda(QStringLiteral("ENC"), 1, 15, 2026, QStringLiteral("C1"), QStringLiteral("2026-11-02"),
                       QStringLiteral("REQ1"),
                       {{QStringLiteral("A1"), 10}, {QStringLiteral("A2"), 5}, {QStringLiteral("A3"), 2}});
    }
    bool entrar(ErpLocal& erp, const QString& posto = QStringLiteral("POSTO1")) {
        return erp.login(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP1"),
                         base.textoLigacao(), posto);
    }
    /// The pending quantity of a line of ENC/1/`numero`/2026.
    Moeda pendente(int numLinha, int numero = 15) {
        const QVariant v = base.escalar(QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM = 'ENC' AND SERIE = 1"
                                                       " AND NNUMDOC = ? AND ANO = 2026 AND NUMLINHA = ?"),
                                        {numero, numLinha});
        return Moeda::deVariant(v).value_or(Moeda::deInteiro(-999));
    }
    int contar(const QString& sql, const QVariantList& valores = {}) { return base.escalar(sql, valores).toInt(); }
    int guias() { return contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'GR'")); }
    int linhasGuia() { return contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM = 'GR'")); }

    BaseTeste base;
};

struct Origem {
    int linha = 1;
    QString tipo = QStringLiteral("ENC");
    int numero = 15;
};

/// A Guia's header written the way the program writes it.
std::shared_ptr<DocumentoComercial> novaGuia(SessaoErp& erp, const QString& cliente = QStringLiteral("C1")) {
    auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento));
    if (!doc)
        qFatal("CriaObjectoApi did not give a DocumentoComercial");
    ObjectoApi& cab = doc->Cab();
    cab.definir(QStringLiteral("Ano"), QVariant::fromValue<qint16>(2026));
    cab.definir(QStringLiteral("Data"), QStringLiteral("08-12-2026"));
    cab.definir(QStringLiteral("AreaGestao"), QVariant::fromValue<qint16>(4));
    cab.definir(QStringLiteral("Sector"), QStringLiteral("2"));
    cab.definir(QStringLiteral("Serie"), QStringLiteral("1"));
    cab.definir(QStringLiteral("TipoDocumento"), QStringLiteral("GR"));
    cab.definir(QStringLiteral("TipoTerceiro"), QVariant::fromValue<qint16>(2));
    cab.definir(QStringLiteral("Terceiro"), cliente);
    cab.definir(QStringLiteral("TipoPreco"), QVariant::fromValue<qint16>(0));
    doc->Validar();
    for (const char* m : {"NumeroContribuinte", "Processo", "VossoNoDocumento", "MeiodeTransporte", "Matricula",
                          "LocalCarga", "LocalDescarga"})
        cab.definir(QLatin1String(m), QString());
    cab.definir(QStringLiteral("DescontoCabecalho"), QVariant::fromValue<qint16>(0));
    return doc;
}

/// One line written the way the program writes it, pointing at an order line.
void juntarLinha(SessaoErp& erp, DocumentoComercial& doc, const QString& artigo, double quantidade,
                 std::optional<Origem> origem = Origem{}) {
    const auto l = erp.CriaObjectoApi(Linha);
    l->definir(QStringLiteral("TipoDeLinha"), QVariant::fromValue<qint16>(1));
    l->definir(QStringLiteral("Artigo"), artigo);
    l->definir(QStringLiteral("Armazem"), QStringLiteral("A1"));
    doc.SugereValoresLin(*l, true, true, false, true, true, false, true);
    l->definir(QStringLiteral("Descricao"), QStringLiteral("Linha de ") + artigo);
    l->definir(QStringLiteral("Quantidade"), QVariant::fromValue(Moeda::deDouble(quantidade)));
    l->definir(QStringLiteral("QuantidadeOrigem"), QVariant::fromValue(Moeda::deDouble(quantidade)));
    l->definir(QStringLiteral("PrecoUnitario"), QVariant::fromValue(Moeda::deInteiro(10)));
    if (origem) {
        l->definir(QStringLiteral("OrDoc"), origem->tipo);
        l->definir(QStringLiteral("Orano"), 2026);
        l->definir(QStringLiteral("OrNum"), origem->numero);
        l->definir(QStringLiteral("Orserie"), 1);
        l->definir(QStringLiteral("LinhaOriginal"), origem->linha);
    }
    doc.AdicionaLinha(*l);
}

struct Resultado {
    qint16 flag = -9;
    qint32 codigo = 0;
    QString texto;
    qint32 numero = 0;
};

Resultado gravar(SessaoErp& erp, DocumentoComercial& doc, int modo = 3) {
    Resultado r;
    erp.GravaDocumento(modo, doc, r.flag);
    erp.UltimoErro(r.codigo, r.texto);
    r.numero = doc.Cab().obter(QStringLiteral("Numero")).toInt();
    return r;
}

struct Entrada {
    ChaveDocumento chave;
    qint32 codigo = 0;
    QString texto;
    bool flag = false;
};

Entrada entrada(SessaoErp& erp, const QStringList& artigos, const std::vector<double>& quantidades,
                const QString& tipo = QStringLiteral("ENT"), qint16 serie = 1) {
    QStringList descricoes{QString()};
    std::vector<double> precos{0};
    QStringList textos{QString()};
    for (qsizetype i = 1; i < artigos.size(); ++i) {
        descricoes << QStringLiteral("Entrada de ") + artigos.at(i);
        precos.push_back(9);
        textos << QString();
    }
    Entrada e;
    erp.setOpcaoEntrada1(true);
    erp.setOpcaoEntrada2(true);
    erp.CriaDocumentoEntrada(1, 4, tipo, QStringLiteral("A1"), serie, QStringLiteral("A1"), QString(), QString(),
                             QStringLiteral("08-12-2026"), QString(), QStringLiteral("Texto"), 0, QString(), artigos,
                             descricoes, quantidades, precos, textos, e.chave, e.flag);
    erp.UltimoErro(e.codigo, e.texto);
    return e;
}

QDate dataDe(const QVariant& v) {
    if (v.userType() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

QString erroDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const Erro& e) {
        return QString::number(e.numero()) + QLatin1Char(' ') + e.texto();
    }
    return QStringLiteral("(nenhum erro)");
}

const QString ErroErp = QString::number(Erro::Erp) + QLatin1Char(' ');

} // namespace

#define QCOMPARE_MOEDA(actual, esperado) QCOMPARE((actual).unidades(), Moeda::deDouble(esperado).unidades())

class tst_ErpLocal : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void esquemaCriaTodasAsTabelas() {
        BaseTeste base(motorActual(), false);
        Esquema::criar(base.db());
        Esquema::criar(base.db()); // again: nothing changes, nothing fails
        const QStringList tabelas = Esquema::tabelas(base.db());
        for (const char* t :
             {"TpDoc", "NOMSERIE", "Clientes", "Artigos", "DOCGCCAB", "DOCGCLIN", "ErpUtilizadores", "ErpEmpresas"})
            QVERIFY2(tabelas.contains(QLatin1String(t)), t);
        BaseDados bd;
        QVERIFY2(bd.abrir(base.textoLigacao()), qPrintable(bd.ultimoErro()));
        RecordSet rs;
        // Empty, but for the database's identity, given once.
        for (const QString& t : tabelas) {
            bd.consultar(QStringLiteral("SELECT count(*) AS n FROM %1").arg(t), {}, rs);
            QCOMPARE(rs.campo(QStringLiteral("n")).toInt(), t == QLatin1String("ErpIdentidade") ? 1 : 0);
        }
        rs.fechar();
        Esquema::apagar(base.db());
        for (const QString& t : tabelas)
            QVERIFY_THROWS_EXCEPTION(Erro, bd.consultar(QStringLiteral("SELECT count(*) FROM %1").arg(t), {}, rs));
    }

    void login() {
        Ambiente a(motorActual());
        const int ligacoes = QSqlDatabase::connectionNames().size();
        ErpLocal erp;
        erp.definicao(3);
        QCOMPARE(erp.definicaoDada(), 3);
        QVERIFY(a.entrar(erp));
        QVERIFY(erp.ligado());
        QCOMPARE(QSqlDatabase::connectionNames().size(), ligacoes + 1);
        QVERIFY(erp.logoff());
        QVERIFY(!erp.ligado());
        QVERIFY(erp.logoff());
        QCOMPARE(QSqlDatabase::connectionNames().size(), ligacoes);

        const QString ligacao = a.base.textoLigacao();
        const auto falha = [&](const QString& u, const QString& p, const QString& e, const QString& l) {
            const bool ok = erp.login(u, p, e, l, QStringLiteral("POSTO1"));
            return !ok && !erp.ligado() && QSqlDatabase::connectionNames().size() == ligacoes;
        };
        QVERIFY(falha(QStringLiteral("operador"), QStringLiteral("errada"), QStringLiteral("EMP1"), ligacao));
        QVERIFY(!erp.motivoFalhaLogin().contains(QStringLiteral("errada")));
        QVERIFY(falha(QStringLiteral("operador"), QString(), QStringLiteral("EMP1"), ligacao));
        QVERIFY(falha(QStringLiteral("ninguem"), QStringLiteral("segredo"), QStringLiteral("EMP1"), ligacao));
        QVERIFY(falha(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP9"), ligacao));
        QVERIFY(erp.motivoFalhaLogin().contains(QStringLiteral("EMP9")));
        if (a.base.motor() == Motor::Sqlite) {
            // The password is never compared as plain text (a server keeps
            // and checks it itself).
            a.base.executar(QStringLiteral("UPDATE ErpUtilizadores SET HashPassword = 'segredo'"));
            QVERIFY(falha(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP1"), ligacao));
            Esquema::definirUtilizadorErp(a.base.db(), QStringLiteral("operador"), QStringLiteral("segredo"));
        }
        a.base.executar(QStringLiteral("UPDATE ErpUtilizadores SET Activo = 0"));
        QVERIFY(falha(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP1"), ligacao));
        a.base.executar(QStringLiteral("UPDATE ErpUtilizadores SET Activo = 1"));

        // A database that cannot be reached; its password never shows.
        const QString inalcancavel =
            a.base.motor() == Motor::Sqlite
                ? QStringLiteral("Driver=QSQLITE;Database=%1/nao-existe.db;Password=chaveBd").arg(a.base.pasta())
                : QString(ligacao).replace(QLatin1String(";Database="), QLatin1String(";Database=nao_existe_")) +
                      QStringLiteral(";Password=chaveBd");
        QVERIFY(falha(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP1"), inalcancavel));
        QVERIFY(!erp.motivoFalhaLogin().isEmpty());
        QVERIFY(!erp.motivoFalhaLogin().contains(QStringLiteral("chaveBd")));
        QVERIFY(falha(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP1"),
                      QStringLiteral("lixo")));

        QVERIFY(a.entrar(erp));
        QVERIFY(erp.motivoFalhaLogin().isEmpty());

        // In two steps: no session until concluded; a wrong password is told
        // before a missing company; a login cut short by a log-off leaves no
        // connection behind.
        erp.logoff();
        const auto entrar = [&](const QString& p, const QString& e) {
            return erp.iniciarLogin(QStringLiteral("operador"), p, e, ligacao, QStringLiteral("POSTO1"));
        };
        auto concluir = entrar(QStringLiteral("segredo"), QStringLiteral("EMP1"));
        QVERIFY(!erp.ligado());
        QVERIFY(concluir());
        QVERIFY(erp.ligado());
        QVERIFY(!entrar(QStringLiteral("errada"), QStringLiteral("EMP9"))());
        QVERIFY(!erp.motivoFalhaLogin().contains(QStringLiteral("EMP9")));
        QCOMPARE(QSqlDatabase::connectionNames().size(), ligacoes);
        concluir = entrar(QStringLiteral("segredo"), QStringLiteral("EMP1"));
        erp.logoff();
        QVERIFY(!concluir());
        QVERIFY(!erp.ligado());
        QCOMPARE(QSqlDatabase::connectionNames().size(), ligacoes);
    }

    void objectosPorNome() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QCOMPARE(erroDe([&] { erp.CriaObjectoApi(Documento); }).left(5), ErroErp.left(5));
        QVERIFY(a.entrar(erp));
        QCOMPARE(erp.CriaObjectoApi(Documento)->nomeObjecto(), Documento);
        QVERIFY(std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento)));
        QCOMPARE(erp.CriaObjectoApi(Linha)->nomeObjecto(), Linha);
        QVERIFY(erp.CriaObjectoApi(Documento) != erp.CriaObjectoApi(Documento));
        for (const QString& nome : {QStringLiteral("erpapi.documentocomercial"), QStringLiteral("DocumentoComercial"),
                                    QStringLiteral("ErpApi.Outro"), QString()}) {
            const QString e = erroDe([&] { erp.CriaObjectoApi(nome); });
            QVERIFY2(e.startsWith(ErroErp) && e.contains(QLatin1Char('"') + nome + QLatin1Char('"')), qPrintable(e));
        }

        const auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento));
        const auto linha = erp.CriaObjectoApi(Linha);
        for (const QString& m : NomesApi::membrosCabecalho().mid(0, 17))
            doc->Cab().definir(m, QStringLiteral("x"));
        for (const QString& m : NomesApi::membrosLinha())
            linha->definir(m, QStringLiteral("x"));
        QCOMPARE(doc->Cab().obter(QStringLiteral("MeiodeTransporte")).toString(), QStringLiteral("x"));
        QCOMPARE(erroDe([&] { doc->Cab().definir(QStringLiteral("MeioDeTransporte"), 1); }),
                 ErroErp +
                     QStringLiteral("O objecto ErpApi.DocumentoComercial.Cab não tem o membro MeioDeTransporte."));
        QCOMPARE(erroDe([&] { doc->Cab().obter(QStringLiteral("Artigo")); }),
                 ErroErp + QStringLiteral("O objecto ErpApi.DocumentoComercial.Cab não tem o membro Artigo."));
        QCOMPARE(erroDe([&] { linha->definir(QStringLiteral("Terceiro"), 1); }),
                 ErroErp + QStringLiteral("O objecto ErpApi.DocumentosGcLin não tem o membro Terceiro."));
        QCOMPARE(erroDe([&] { linha->obter(QStringLiteral("artigo")); }),
                 ErroErp + QStringLiteral("O objecto ErpApi.DocumentosGcLin não tem o membro artigo."));
        QCOMPARE(erroDe([&] { doc->definir(QStringLiteral("Ano"), 1); }),
                 ErroErp + QStringLiteral("O objecto ErpApi.DocumentoComercial não tem o membro Ano."));
        QVERIFY(erroDe([&] { doc->Cab().definir(QStringLiteral("Numero"), 5); }).startsWith(ErroErp));
    }

    void validarESugerir() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(Documento));
        ObjectoApi& cab = doc->Cab();
        cab.definir(QStringLiteral("Serie"), QStringLiteral("1"));
        cab.definir(QStringLiteral("TipoDocumento"), QStringLiteral("GR"));
        cab.definir(QStringLiteral("Terceiro"), QStringLiteral("C1"));
        QVERIFY(doc->Validar());
        QCOMPARE(cab.obter(QStringLiteral("NumeroContribuinte")).toString(), QStringLiteral("501234567"));
        cab.definir(QStringLiteral("Terceiro"), QStringLiteral("C9"));
        QVERIFY(!doc->Validar());
        cab.definir(QStringLiteral("Terceiro"), QStringLiteral("C1"));
        cab.definir(QStringLiteral("Serie"), QStringLiteral("7"));
        QVERIFY(!doc->Validar());
        cab.definir(QStringLiteral("Serie"), QStringLiteral("1"));
        cab.definir(QStringLiteral("TipoDocumento"), QStringLiteral("XX"));
        QVERIFY(!doc->Validar());

        const auto linha = erp.CriaObjectoApi(Linha);
        linha->definir(QStringLiteral("Artigo"), QStringLiteral("A2"));
        doc->SugereValoresLin(*linha, true, true, false, true, true, false, true);
        QCOMPARE(linha->obter(QStringLiteral("Descricao")).toString(), QStringLiteral("Porca M6"));
        QCOMPARE_MOEDA(Moeda::deVariant(linha->obter(QStringLiteral("PrecoUnitario"))).value(), 0.05);
        QCOMPARE(linha->obter(QStringLiteral("Armazem")).toString(), QStringLiteral("A1"));
        QCOMPARE(linha->obter(QStringLiteral("Unidade")).toString(), QStringLiteral("UN"));
        // A warehouse already written stays; b1 false leaves the description.
        const auto outra = erp.CriaObjectoApi(Linha);
        outra->definir(QStringLiteral("Artigo"), QStringLiteral("A1"));
        outra->definir(QStringLiteral("Armazem"), QStringLiteral("B7"));
        doc->SugereValoresLin(*outra, false, true, false, true, true, false, true);
        QCOMPARE(outra->obter(QStringLiteral("Armazem")).toString(), QStringLiteral("B7"));
        QVERIFY(!outra->obter(QStringLiteral("Descricao")).isValid());
        const auto desconhecido = erp.CriaObjectoApi(Linha);
        desconhecido->definir(QStringLiteral("Artigo"), QStringLiteral("ZZ"));
        doc->SugereValoresLin(*desconhecido, true, true, false, true, true, false, true);
        QVERIFY(!desconhecido->obter(QStringLiteral("Descricao")).isValid());
        QVERIFY(erroDe([&] { doc->AdicionaLinha(doc->Cab()); }).startsWith(ErroErp));
    }

    void sugestoesNaoPrendemABase() {
        // Line suggestions read together; no other workstation may be kept
        // waiting once the event that asked for them is over, and the
        // session's own store right after them must not wait either.
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        for (const QString& artigo : {QStringLiteral("A1"), QStringLiteral("A2")}) {
            const auto linha = erp.CriaObjectoApi(Linha);
            linha->definir(QStringLiteral("Artigo"), artigo);
            doc->SugereValoresLin(*linha, true, true, false, true, true, false, true);
            QVERIFY(!linha->obter(QStringLiteral("Descricao")).toString().isEmpty());
        }
        // Another workstation that will not wait at all.
        std::optional<QSqlDatabase> outro;
        if (a.base.motor() == Motor::Sqlite) {
            outro = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("outro-posto"));
            outro->setDatabaseName(a.base.pasta() + QStringLiteral("/empresa.db"));
            outro->setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QVERIFY(outro->open());
        }
        auto escreverNoOutro = [&] {
            QSqlQuery q(*outro);
            return q.exec(QStringLiteral("UPDATE Artigos SET Nome = Nome WHERE Codigo = 'A3'"));
        };
        if (outro)
            QVERIFY2(!escreverNoOutro(), "the suggestions were expected to share one read");
        QCoreApplication::processEvents();
        if (outro)
            QVERIFY(escreverNoOutro());

        // Again, and this time the store follows at once, in the same event.
        juntarLinha(erp, *doc, QStringLiteral("A1"), 3, Origem{1});
        QCOMPARE(gravar(erp, *doc).flag, qint16(0));
        QCOMPARE_MOEDA(a.pendente(1), 7);
        if (outro)
            QVERIFY(escreverNoOutro());
        outro.reset();
        QSqlDatabase::removeDatabase(QStringLiteral("outro-posto"));
    }

    void gravaGuia() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 4, Origem{1});
        juntarLinha(erp, *doc, QStringLiteral("A3"), 2, Origem{3});
        const Resultado r = gravar(erp, *doc);
        QCOMPARE(r.texto, QString());
        QCOMPARE(r.codigo, -1);
        QCOMPARE(r.flag, qint16(0));
        QCOMPARE(r.numero, 1);

        QCOMPARE_MOEDA(a.pendente(1), 6);
        QCOMPARE_MOEDA(a.pendente(2), 5);
        QCOMPARE_MOEDA(a.pendente(3), 0);
        QCOMPARE(a.guias(), 1);
        QSqlQuery c(a.base.db());
        QVERIFY(c.exec(QStringLiteral("SELECT SERIE, NNUMDOC, ANO, DATA, TERCEIRO, MODOGRAVACAO, UTILIZADOR, POSTO,"
                                      " ANULADO, AREAGESTAO, SECTOR, TIPOTERCEIRO, NUMCONTRIBUINTE FROM DOCGCCAB"
                                      " WHERE TPDOC = 'GR'")));
        QVERIFY(c.next());
        QCOMPARE(c.value(0).toInt(), 1);
        QCOMPARE(c.value(1).toInt(), 1);
        QCOMPARE(c.value(2).toInt(), 2026);
        QCOMPARE(dataDe(c.value(3)), QDate(2026, 12, 8));
        QCOMPARE(c.value(4).toString(), QStringLiteral("C1"));
        QCOMPARE(c.value(5).toInt(), 3);
        QCOMPARE(c.value(6).toString(), QStringLiteral("operador"));
        QCOMPARE(c.value(7).toString(), QStringLiteral("POSTO1"));
        QCOMPARE(c.value(8).toInt(), 0);
        QCOMPARE(c.value(9).toInt(), 4);
        QCOMPARE(c.value(10).toString(), QStringLiteral("2"));
        QCOMPARE(c.value(11).toInt(), 2);
        // Written empty after Validar: the client's own number is taken.
        QCOMPARE(c.value(12).toString(), QStringLiteral("501234567"));
        QVERIFY(c.exec(
            QStringLiteral("SELECT NUMLINHA, ARTIGO, QUANT, QTDORIG, PRUNIT, ORDOC, ORANO, ORNUM, ORSERIE,"
                           " LINHAORIGINAL, LINANU, DESCR FROM DOCGCLIN WHERE TPDOCUM = 'GR' ORDER BY NUMLINHA")));
        const QList<QStringList> esperado{
            {QStringLiteral("1"), QStringLiteral("A1"), QStringLiteral("4"), QStringLiteral("1")},
            {QStringLiteral("2"), QStringLiteral("A3"), QStringLiteral("2"), QStringLiteral("3")}};
        for (const QStringList& e : esperado) {
            QVERIFY(c.next());
            QCOMPARE(c.value(0).toString(), e.at(0));
            QCOMPARE(c.value(1).toString(), e.at(1));
            QCOMPARE_MOEDA(Moeda::deVariant(c.value(2)).value(), e.at(2).toDouble());
            QCOMPARE_MOEDA(Moeda::deVariant(c.value(3)).value(), e.at(2).toDouble());
            QCOMPARE_MOEDA(Moeda::deVariant(c.value(4)).value(), 10);
            QCOMPARE(c.value(5).toString(), QStringLiteral("ENC"));
            QCOMPARE(c.value(6).toInt(), 2026);
            QCOMPARE(c.value(7).toInt(), 15);
            QCOMPARE(c.value(8).toInt(), 1);
            QCOMPARE(c.value(9).toString(), e.at(3));
            QCOMPARE(c.value(10).toInt(), 0);
            QCOMPARE(c.value(11).toString(), QStringLiteral("Linha de ") + e.at(1));
        }
        QVERIFY(!c.next());

        // The same document is not stored twice; the next one takes number 2.
        QCOMPARE(gravar(erp, *doc).flag, qint16(1));
        QCOMPARE(a.guias(), 1);
        auto segunda = novaGuia(erp);
        juntarLinha(erp, *segunda, QStringLiteral("A1"), 6, Origem{1});
        QCOMPARE(gravar(erp, *segunda).numero, 2);
        QCOMPARE_MOEDA(a.pendente(1), 0);
    }

    void guiaRecusada_data() {
        QTest::addColumn<QString>("cliente");
        QTest::addColumn<QString>("artigo");
        QTest::addColumn<int>("linhaEnc");
        QTest::addColumn<double>("quantidade");
        QTest::addColumn<QString>("texto");
        QTest::newRow("mais do que pendente") << "C1"
                                              << "A3" << 3 << 5.0 << "ENC/1/15 linha 3: pendente 2,00, pedido 5,00";
        QTest::newRow("decimais") << "C1"
                                  << "A3" << 3 << 2.125 << "ENC/1/15 linha 3: pendente 2,00, pedido 2,125";
        QTest::newRow("linha inexistente")
            << "C1"
            << "A3" << 9 << 1.0 << "A linha de origem ENC/1/15 linha 9 não existe ou está anulada.";
        QTest::newRow("linha anulada") << "C1"
                                       << "A2" << 2 << 1.0
                                       << "A linha de origem ENC/1/15 linha 2 não existe ou está anulada.";
        QTest::newRow("cliente inactivo") << "C9"
                                          << "A3" << 3 << 1.0 << "Cliente C9 inexistente ou inactivo.";
        QTest::newRow("cliente inexistente") << "C7"
                                             << "A3" << 3 << 1.0 << "Cliente C7 inexistente ou inactivo.";
        QTest::newRow("artigo inexistente") << "C1"
                                            << "ZZ" << 3 << 1.0 << "Artigo ZZ inexistente.";
        QTest::newRow("encomenda de outro cliente")
            << "C2"
            << "A3" << 3 << 1.0 << "A linha de origem ENC/1/15 linha 1 é do cliente C1, não de C2.";
        QTest::newRow("quantidade zero") << "C1"
                                         << "A3" << 3 << 0.0 << "Linha 2: a quantidade tem de ser positiva (0,00).";
    }

    void guiaRecusada() {
        QFETCH(QString, cliente);
        QFETCH(QString, artigo);
        QFETCH(int, linhaEnc);
        QFETCH(double, quantidade);
        QFETCH(QString, texto);
        Ambiente a(motorActual());
        a.base.executar(QStringLiteral("UPDATE DOCGCLIN SET LINANU = -1 WHERE TPDOCUM = 'ENC' AND NUMLINHA = 2"));
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp, cliente);
        // A first line that would be satisfied: it must not stay taken either.
        juntarLinha(erp, *doc, QStringLiteral("A1"), 4, Origem{1});
        juntarLinha(erp, *doc, artigo, quantidade, Origem{linhaEnc});
        const Resultado r = gravar(erp, *doc);
        QCOMPARE(r.texto, texto);
        QCOMPARE(r.codigo, CodigosErp::Recusado);
        QVERIFY(r.flag != 0);
        QCOMPARE(a.guias(), 0);
        QCOMPARE(a.linhasGuia(), 0);
        QCOMPARE_MOEDA(a.pendente(1), 10);
        QCOMPARE_MOEDA(a.pendente(3), 2);
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM ErpNumeracao WHERE Ultimo > 0")), 0);
    }

    void quantidadesExactas() {
        Ambiente a(motorActual());
        a.base.encomenda(QStringLiteral("ENC"), 1, 16, 2026, QStringLiteral("C1"), QStringLiteral("2026-11-03"),
                         QStringLiteral("R16"), {{QStringLiteral("A1"), 0.3}});
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        // 0.3 - 0.1 is below 0.2 in floating point: only exact arithmetic accepts both lines.
        juntarLinha(erp, *doc, QStringLiteral("A1"), 0.1, Origem{1, QStringLiteral("ENC"), 16});
        juntarLinha(erp, *doc, QStringLiteral("A1"), 0.2, Origem{1, QStringLiteral("ENC"), 16});
        const Resultado r = gravar(erp, *doc);
        QCOMPARE(r.texto, QString());
        QCOMPARE(r.flag, qint16(0));
        QCOMPARE_MOEDA(a.pendente(1, 16), 0);
        auto mais = novaGuia(erp);
        juntarLinha(erp, *mais, QStringLiteral("A1"), 0.0001, Origem{1, QStringLiteral("ENC"), 16});
        QCOMPARE(gravar(erp, *mais).texto, QStringLiteral("ENC/1/16 linha 1: pendente 0,00, pedido 0,0001"));
    }

    void documentoEntrada() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        const Entrada e = entrada(erp, {QString(), QStringLiteral("A1"), QStringLiteral("A3")}, {0, 3, 1.5});
        QCOMPARE(e.texto, QString());
        QCOMPARE(e.codigo, -1);
        QVERIFY(e.flag);
        QCOMPARE(e.chave.Ano, qint16(2026));
        QCOMPARE(e.chave.TipoDoc, QStringLiteral("ENT"));
        QCOMPARE(e.chave.Serie, qint16(1));
        QCOMPARE(e.chave.Numero, 1);
        QVERIFY(erp.opcaoEntrada1() && erp.opcaoEntrada2());
        QCOMPARE(
            a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT' AND NNUMDOC = 1 AND"
                                    " TERCEIRO = '' AND ARMAZEM = 'A1' AND OBSERVACOES = 'Texto' AND ANULADO = 0")),
            1);
        QCOMPARE(dataDe(a.base.escalar(QStringLiteral("SELECT DATA FROM DOCGCCAB WHERE TPDOC = 'ENT'"))),
                 QDate(2026, 12, 8));
        QSqlQuery c(a.base.db());
        QVERIFY(c.exec(QStringLiteral("SELECT NUMLINHA, ARTIGO, QUANT, PRUNIT, DESCR, ORDOC FROM DOCGCLIN"
                                      " WHERE TPDOCUM = 'ENT' ORDER BY NUMLINHA")));
        QVERIFY(c.next());
        QCOMPARE(c.value(1).toString(), QStringLiteral("A1"));
        QCOMPARE_MOEDA(Moeda::deVariant(c.value(2)).value(), 3);
        QCOMPARE_MOEDA(Moeda::deVariant(c.value(3)).value(), 9);
        QCOMPARE(c.value(4).toString(), QStringLiteral("Entrada de A1"));
        QVERIFY(c.value(5).isNull());
        QVERIFY(c.next());
        QCOMPARE(c.value(0).toInt(), 2);
        QCOMPARE_MOEDA(Moeda::deVariant(c.value(2)).value(), 1.5);
        QVERIFY(!c.next());
        // An entry changes no pending quantity.
        QCOMPARE_MOEDA(a.pendente(1), 10);
        QCOMPARE_MOEDA(a.pendente(3), 2);
        QCOMPARE(entrada(erp, {QString(), QStringLiteral("A2")}, {0, 1}).chave.Numero, 2);

        const auto recusa = [&](const Entrada& r) {
            return r.codigo != -1 && !r.texto.isEmpty() && !r.flag && r.chave.Numero == 0;
        };
        QVERIFY(recusa(entrada(erp, {QString(), QStringLiteral("A1")}, {0, 1}, QStringLiteral("ENT"), 7)));
        QVERIFY(recusa(entrada(erp, {QString(), QStringLiteral("A1")}, {0, 1}, QStringLiteral("XPTO"), 1)));
        QVERIFY(recusa(entrada(erp, {QString(), QStringLiteral("ZZ")}, {0, 1})));
        QVERIFY(recusa(entrada(erp, {QString()}, {0})));
        QVERIFY(recusa(entrada(erp, {QString(), QStringLiteral("A1")}, {0, 1, 2})));
        QVERIFY(recusa(entrada(erp, {QString(), QStringLiteral("A1")}, {0, -1})));
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT'")), 2);
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM = 'ENT'")), 3);
        // A number stored by other means is never given again.
        a.base.executar(QStringLiteral("INSERT INTO DOCGCCAB (TPDOC, SERIE, NNUMDOC, ANO, DATA) VALUES"
                                       " ('ENT', 1, 40, 2026, '2026-12-01 00:00:00')"));
        QCOMPARE(entrada(erp, {QString(), QStringLiteral("A2")}, {0, 1}).chave.Numero, 41);
    }

    /// A document's articles are checked a block at a time: a document of
    /// several blocks is stored, and the refusal still names the first
    /// missing article in line order, past the first block.
    void artigosEmBlocos() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        QStringList valores;
        for (int i = 1; i <= 250; ++i)
            valores << QStringLiteral("('B%1', 'Artigo %1', 'C%1')").arg(i, 4, 10, QLatin1Char('0'));
        a.base.executar(QStringLiteral("INSERT INTO Artigos (Codigo, Nome, Armazem) VALUES ") +
                        valores.join(QLatin1Char(',')));
        QStringList artigos{QString()};
        std::vector<double> quantidades{0};
        for (int i = 1; i <= 250; ++i) {
            artigos << QStringLiteral("B%1").arg(i, 4, 10, QLatin1Char('0'));
            quantidades.push_back(1);
        }
        // Repeated articles are looked up once.
        artigos << QStringLiteral("B0007") << QStringLiteral("B0200");
        quantidades.insert(quantidades.end(), {1, 1});
        const Entrada feita = entrada(erp, artigos, quantidades);
        QCOMPARE(feita.texto, QString());
        QVERIFY(feita.flag);

        artigos[180] = QStringLiteral("ZZ1");
        artigos[230] = QStringLiteral("ZZ0");
        const Entrada recusada = entrada(erp, artigos, quantidades);
        QVERIFY(!recusada.flag);
        QCOMPARE(recusada.texto, QStringLiteral("Artigo ZZ1 inexistente."));
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT'")), 1);

        // A Guia's suggestions, none read back, are filled at its save from
        // their articles read together; what was written after a suggestion
        // stays, an unknown article's line is left as it was.
        auto guia = novaGuia(erp);
        for (int i = 1; i <= 252; ++i) {
            const auto l = erp.CriaObjectoApi(Linha);
            l->definir(QStringLiteral("Artigo"),
                       i <= 250 ? QStringLiteral("B%1").arg(i, 4, 10, QLatin1Char('0')) : QStringLiteral("B0007"));
            if (i == 3)
                l->definir(QStringLiteral("Armazem"), QStringLiteral("X"));
            guia->SugereValoresLin(*l, true, true, false, true, true, false, true);
            if (i == 5)
                l->definir(QStringLiteral("Descricao"), QStringLiteral("Escrita"));
            l->definir(QStringLiteral("Quantidade"), QVariant::fromValue(Moeda::deInteiro(1)));
            guia->AdicionaLinha(*l);
        }
        QCOMPARE(gravar(erp, *guia).texto, QString());
        QSqlQuery c(a.base.db());
        QVERIFY(c.exec(QStringLiteral("SELECT NUMLINHA, DESCR, ARMAZEM FROM DOCGCLIN WHERE TPDOCUM = 'GR'"
                                      " ORDER BY NUMLINHA")));
        for (int i = 1; i <= 252; ++i) {
            QVERIFY(c.next());
            const QString n = QStringLiteral("%1").arg(i <= 250 ? i : 7, 4, 10, QLatin1Char('0'));
            QCOMPARE(c.value(0).toInt(), i);
            QCOMPARE(c.value(1).toString(), i == 5 ? QStringLiteral("Escrita") : QStringLiteral("Artigo ") + n);
            QCOMPARE(c.value(2).toString(), i == 3 ? QStringLiteral("X") : QStringLiteral("C") + n);
        }
    }

    void entradaLigadaAGuia() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        const Entrada e = entrada(erp, {QString(), QStringLiteral("A1")}, {0, 4});
        auto doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 4, Origem{1});
        QCOMPARE(gravar(erp, *doc).flag, qint16(0));
        QCOMPARE(a.base.escalar(QStringLiteral("SELECT DOCRELACIONADO FROM DOCGCCAB WHERE TPDOC = 'GR'")).toString(),
                 textoChave(e.chave));
        // A Guia with no entry of its own before it names none.
        auto outra = novaGuia(erp);
        juntarLinha(erp, *outra, QStringLiteral("A1"), 1, Origem{1});
        QCOMPARE(gravar(erp, *outra).flag, qint16(0));
        QCOMPARE(
            a.base.escalar(QStringLiteral("SELECT DOCRELACIONADO FROM DOCGCCAB WHERE TPDOC = 'GR' AND NNUMDOC = 2"))
                .toString(),
            QString());
    }

    void anulacao() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 4, Origem{1});
        juntarLinha(erp, *doc, QStringLiteral("A3"), 2, Origem{3});
        juntarLinha(erp, *doc, QStringLiteral("A1"), 1.5, Origem{1});
        QCOMPARE(gravar(erp, *doc).numero, 1);
        QCOMPARE_MOEDA(a.pendente(1), 4.5);

        ChaveDocumento chave{2026, QStringLiteral("GR"), 1, 1};
        EstadoOperacao estado;
        qint16 flag = -9;
        erp.AnulaDocumento(1, chave, estado, flag);
        QCOMPARE(estado.TextoEstado, QString());
        QCOMPARE(estado.Codigo, -1);
        QCOMPARE(flag, qint16(0));
        QCOMPARE_MOEDA(a.pendente(1), 10);
        QCOMPARE_MOEDA(a.pendente(3), 2);
        QCOMPARE(a.contar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB WHERE TPDOC = 'GR'")), -1);
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM = 'GR' AND LINANU = -1")), 3);
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM = 'ENC' AND LINANU = -1")), 0);

        erp.AnulaDocumento(1, chave, estado, flag);
        QCOMPARE(estado.Codigo, CodigosErp::Recusado);
        QCOMPARE(estado.TextoEstado, QStringLiteral("O documento GR/1/1/2026 já está anulado."));
        QCOMPARE(flag, qint16(1));
        QCOMPARE_MOEDA(a.pendente(1), 10);
        qint32 codigo = 0;
        QString texto;
        erp.UltimoErro(codigo, texto);
        QCOMPARE(codigo, CodigosErp::Recusado);

        ChaveDocumento outra{2024, QStringLiteral("GR"), 1, 45};
        erp.AnulaDocumento(1, outra, estado, flag);
        QCOMPARE(estado.Codigo, CodigosErp::Recusado);
        QCOMPARE(estado.TextoEstado, QStringLiteral("O documento GR/1/45/2024 não existe."));

        // An entry is annulled the same way; it gave nothing to give back.
        Entrada e = entrada(erp, {QString(), QStringLiteral("A1")}, {0, 4});
        erp.AnulaDocumento(1, e.chave, estado, flag);
        QCOMPARE(estado.Codigo, -1);
        QCOMPARE(a.contar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB WHERE TPDOC = 'ENT'")), -1);
        QCOMPARE_MOEDA(a.pendente(1), 10);
    }

    void numerosEntreSessoes() {
        Ambiente a(motorActual());
        ErpLocal um;
        ErpLocal dois;
        QVERIFY(a.entrar(um, QStringLiteral("POSTO1")));
        QVERIFY(a.entrar(dois, QStringLiteral("POSTO2")));
        QList<int> numeros;
        for (int i = 0; i < 6; ++i) {
            ErpLocal& erp = i % 2 ? dois : um;
            auto doc = novaGuia(erp);
            juntarLinha(erp, *doc, QStringLiteral("A1"), 1, Origem{1});
            const Resultado r = gravar(erp, *doc);
            QCOMPARE(r.texto, QString());
            numeros << r.numero;
        }
        QCOMPARE(numeros, (QList<int>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'GR' AND POSTO = 'POSTO2'")), 3);
        QCOMPARE_MOEDA(a.pendente(1), 4);
    }

    void corridaEntreSessoes() {
        // Two workstations, each in its own thread with its own session, ask at
        // the same moment for the whole pending quantity of the same order line.
        Ambiente a(motorActual());
        constexpr int rondas = 6;
        std::vector<std::pair<QString, double>> linhas;
        for (int i = 0; i < rondas; ++i)
            linhas.emplace_back(QStringLiteral("A1"), 2.0);
        a.base.encomenda(QStringLiteral("ENC"), 1, 20, 2026, QStringLiteral("C1"), QStringLiteral("2026-11-05"),
                         QStringLiteral("R20"), linhas);
        const QString ligacao = a.base.textoLigacao();
        std::barrier<> partida(2);
        std::vector<Resultado> resultados[2];
        QString falhas[2];
        const auto posto = [&](int p) {
            ErpLocal erp;
            const bool entrou = erp.login(QStringLiteral("operador"), QStringLiteral("segredo"), QStringLiteral("EMP1"),
                                          ligacao, QStringLiteral("POSTO%1").arg(p));
            for (int r = 0; r < rondas; ++r) {
                std::shared_ptr<DocumentoComercial> doc;
                try {
                    if (entrou) {
                        doc = novaGuia(erp);
                        juntarLinha(erp, *doc, QStringLiteral("A1"), 2, Origem{r + 1, QStringLiteral("ENC"), 20});
                    }
                } catch (const Erro& e) {
                    falhas[p] = e.texto();
                }
                partida.arrive_and_wait();
                resultados[p].push_back(doc ? gravar(erp, *doc) : Resultado{});
            }
        };
        std::thread t0(posto, 0);
        std::thread t1(posto, 1);
        t0.join();
        t1.join();
        QCOMPARE(falhas[0], QString());
        QCOMPARE(falhas[1], QString());
        QList<int> numeros;
        for (int r = 0; r < rondas; ++r) {
            const Resultado& x = resultados[0][size_t(r)];
            const Resultado& y = resultados[1][size_t(r)];
            QVERIFY2((x.flag == 0) != (y.flag == 0), qPrintable(x.texto + QLatin1String(" | ") + y.texto));
            const Resultado& perdeu = x.flag == 0 ? y : x;
            QCOMPARE(perdeu.codigo, CodigosErp::Recusado);
            QCOMPARE(perdeu.texto, QStringLiteral("ENC/1/20 linha %1: pendente 0,00, pedido 2,00").arg(r + 1));
            numeros << (x.flag == 0 ? x : y).numero;
            QCOMPARE_MOEDA(a.pendente(r + 1, 20), 0);
        }
        QCOMPARE(numeros, (QList<int>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(a.guias(), rondas);
        QCOMPARE(a.linhasGuia(), rondas);
    }

    void falhaNoMeioNaoDeixaNada() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        erp.falharEm(QStringLiteral("GravaDocumento:meio"));
        auto doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 4, Origem{1});
        juntarLinha(erp, *doc, QStringLiteral("A3"), 2, Origem{3});
        Resultado r = gravar(erp, *doc);
        QCOMPARE(r.flag, qint16(1));
        QCOMPARE(r.codigo, CodigosErp::ErroBaseDados);
        QCOMPARE(r.texto, QStringLiteral("Falha simulada em GravaDocumento:meio."));
        QCOMPARE(a.guias(), 0);
        QCOMPARE(a.linhasGuia(), 0);
        QCOMPARE_MOEDA(a.pendente(1), 10);
        QCOMPARE_MOEDA(a.pendente(3), 2);
        // Nothing was kept, the number included: the retry stores number 1.
        r = gravar(erp, *doc);
        QCOMPARE(r.flag, qint16(0));
        QCOMPARE(r.numero, 1);

        erp.falharEm(QStringLiteral("CriaDocumentoEntrada:meio"));
        Entrada e = entrada(erp, {QString(), QStringLiteral("A1")}, {0, 4});
        QCOMPARE(e.codigo, CodigosErp::ErroBaseDados);
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM = 'ENT'")), 0);

        ChaveDocumento chave{2026, QStringLiteral("GR"), 1, 1};
        EstadoOperacao estado;
        qint16 flag = 0;
        erp.falharEm(QStringLiteral("AnulaDocumento:meio"));
        erp.AnulaDocumento(1, chave, estado, flag);
        QCOMPARE(estado.Codigo, CodigosErp::ErroBaseDados);
        QCOMPARE(a.contar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB WHERE TPDOC = 'GR'")), 0);
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCLIN WHERE LINANU = -1")), 0);
        QCOMPARE_MOEDA(a.pendente(1), 6);
        QCOMPARE_MOEDA(a.pendente(3), 0);
    }

    void ligacaoPerdidaAMeio() {
        Ambiente a(motorActual());
        const bool pg = a.base.motor() == Motor::Postgres;
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 4, Origem{1});
        int vistasDeFora = -1;
        Moeda pendenteDeFora;
        bool cortada = false;
        erp.definirAccaoNoMeio([&](const QString& operacao) {
            if (operacao != QLatin1String("GravaDocumento"))
                return;
            // Another workstation sees nothing of the save before its commit.
            vistasDeFora = a.guias() + a.linhasGuia();
            pendenteDeFora = a.pendente(1);
            // On PostgreSQL the server drops the session's connection here.
            if (pg) {
                const QVariant pid =
                    a.base.escalar(QStringLiteral("SELECT pid FROM pg_stat_activity WHERE datname = current_database()"
                                                  " AND pid <> pg_backend_pid() AND state = 'idle in transaction'"));
                cortada = a.base.escalar(QStringLiteral("SELECT pg_terminate_backend(?, 10000)"), {pid}).toBool();
            }
        });
        Resultado r = gravar(erp, *doc);
        QCOMPARE(vistasDeFora, 0);
        QCOMPARE_MOEDA(pendenteDeFora, 10);
        if (pg) {
            QVERIFY(cortada);
            QCOMPARE(r.flag, qint16(1));
            QCOMPARE(r.codigo, CodigosErp::ErroBaseDados);
            QVERIFY(!r.texto.isEmpty());
            QCOMPARE(a.guias(), 0);
            QCOMPARE(a.linhasGuia(), 0);
            QCOMPARE_MOEDA(a.pendente(1), 10);
            // The next store opens the connection again.
            erp.definirAccaoNoMeio({});
            r = gravar(erp, *doc);
        }
        QCOMPARE(r.texto, QString());
        QCOMPARE(r.flag, qint16(0));
        QCOMPARE(r.numero, 1);
        QCOMPARE(a.guias(), 1);
        QCOMPARE_MOEDA(a.pendente(1), 6);
    }

    void valoresEscritosComoPeloQt() {
        // What a store writes is what Qt would have written: the same values
        // through the kept statement as through a new one, whatever their type.
        BaseTeste base(motorActual(), false);
        const bool pg = base.motor() == Motor::Postgres;
        QVERIFY(QSqlQuery(base.db()).exec(
            pg ? QStringLiteral("CREATE TABLE t (k INTEGER, a TEXT, b TEXT, c INTEGER, d BIGINT, e DOUBLE PRECISION,"
                                " f BOOLEAN, g INTEGER, h BYTEA, i DATE)")
               : QStringLiteral("CREATE TABLE t (k INTEGER, a TEXT, b TEXT, c INTEGER, d INTEGER, e REAL, f INTEGER,"
                                " g INTEGER, h BLOB, i TEXT)")));
        const QString sql = QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const QVariantList valores{QStringLiteral("Tinta plástica 🙂"),
                                   QString(),
                                   7,
                                   qlonglong(9007199254740993LL),
                                   2.5,
                                   true,
                                   QVariant(QMetaType(QMetaType::Int)),
                                   QByteArray("\x01\x00\xff", 3),
                                   QDate(2024, 3, 5)};
        ErpBd::executar(base.db(), sql, QVariantList{1} + valores);
        {
            ErpBd::Transaccao t(base.db());
            QCOMPARE(ErpBd::escrever(base.db(), sql, QVariantList{2} + valores), 1);
            QCOMPARE(ErpBd::escrever(base.db(), sql, QVariantList{3} + valores), 1);
            t.confirmar();
        }
        QSqlQuery q(base.db());
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM t ORDER BY k")));
        QList<QVariantList> linhas;
        while (q.next()) {
            QVariantList l;
            for (int i = 1; i < 10; ++i)
                l << q.value(i);
            linhas << l;
        }
        QCOMPARE(linhas.size(), 3);
        QCOMPARE(linhas.at(1), linhas.at(0));
        QCOMPARE(linhas.at(2), linhas.at(0));
        QCOMPARE(linhas.at(0).at(1).toString(), QString(QLatin1String(""))); // empty text, not NULL
        QVERIFY(!linhas.at(0).at(1).isNull());
        QVERIFY(linhas.at(0).at(6).isNull());
        QCOMPARE(ErpBd::primeiraLinha(base.db(), QStringLiteral("SELECT a, d FROM t WHERE k = ?"), {3}),
                 std::optional<QVariantList>(QVariantList{linhas.at(0).at(0), linhas.at(0).at(3)}));
    }

    void ligacaoReabertaPorFora() {
        // The session prepares its statements once per connection: a
        // connection closed and opened again behind its back (its statements
        // let go by the driver) still saves, from the first statement on.
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 1, Origem{1});
        QCOMPARE(gravar(erp, *doc).flag, qint16(0));
        for (const QString& nome : QSqlDatabase::connectionNames()) {
            if (!nome.startsWith(QLatin1String("erplocal-")))
                continue;
            QSqlDatabase db = QSqlDatabase::database(nome, false);
            db.close();
            QVERIFY(db.open());
        }
        doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 2, Origem{1});
        juntarLinha(erp, *doc, QStringLiteral("A2"), 5, Origem{2});
        const Resultado r = gravar(erp, *doc);
        QCOMPARE(r.texto, QString());
        QCOMPARE(r.flag, qint16(0));
        QCOMPARE(r.numero, 2);
        QCOMPARE_MOEDA(a.pendente(1), 7);
        QCOMPARE_MOEDA(a.pendente(2), 0);
        // And a refusal by the conditional update is still seen as one.
        doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 8, Origem{1});
        QCOMPARE(gravar(erp, *doc).flag, qint16(1));
        QCOMPARE_MOEDA(a.pendente(1), 7);
    }

    void ganchoDeFalhas() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        erp.falharEm(QStringLiteral("AdicionaLinha"), 2);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 1, Origem{1});
        QCOMPARE(erroDe([&] { juntarLinha(erp, *doc, QStringLiteral("A2"), 1, Origem{2}); }),
                 ErroErp + QStringLiteral("Falha simulada em AdicionaLinha."));
        juntarLinha(erp, *doc, QStringLiteral("A3"), 1, Origem{3});

        for (const QString& op : {QStringLiteral("CriaObjectoApi"), QStringLiteral("Cab"), QStringLiteral("Validar")}) {
            erp.falharEm(op);
            QCOMPARE(erroDe([&] { novaGuia(erp); }), ErroErp + QStringLiteral("Falha simulada em %1.").arg(op));
        }
        for (const QString& op : {QStringLiteral("Linha"), QStringLiteral("SugereValoresLin")}) {
            erp.falharEm(op);
            QCOMPARE(erroDe([&] { juntarLinha(erp, *doc, QStringLiteral("A1"), 1); }),
                     ErroErp + QStringLiteral("Falha simulada em %1.").arg(op));
        }
        erp.falharEm(QStringLiteral("GravaDocumento:excepcao"));
        QCOMPARE(erroDe([&] { gravar(erp, *doc); }),
                 ErroErp + QStringLiteral("Falha simulada em GravaDocumento:excepcao."));
        erp.falharEm(QStringLiteral("GravaDocumento"));
        Resultado r = gravar(erp, *doc);
        QCOMPARE(r.flag, qint16(1));
        QCOMPARE(r.codigo, CodigosErp::Recusado);
        QCOMPARE(r.texto, QStringLiteral("Falha simulada em GravaDocumento."));
        QCOMPARE(a.guias(), 0);
        r = gravar(erp, *doc);
        QCOMPARE(r.flag, qint16(0));
        QCOMPARE(a.linhasGuia(), 2);

        ChaveDocumento chave{2026, QStringLiteral("GR"), 1, 1};
        EstadoOperacao estado;
        qint16 flag = 0;
        erp.falharEm(QStringLiteral("AnulaDocumento"));
        erp.AnulaDocumento(1, chave, estado, flag);
        QCOMPARE(estado.Codigo, CodigosErp::Recusado);
        QCOMPARE(estado.TextoEstado, QStringLiteral("Falha simulada em AnulaDocumento."));
        erp.falharEm(QStringLiteral("AnulaDocumento:excepcao"));
        QVERIFY(erroDe([&] { erp.AnulaDocumento(1, chave, estado, flag); }).startsWith(ErroErp));
        QCOMPARE(a.contar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB WHERE TPDOC = 'GR'")), 0);

        erp.falharEm(QStringLiteral("CriaDocumentoEntrada"));
        QVERIFY(erroDe([&] { entrada(erp, {QString(), QStringLiteral("A1")}, {0, 1}); }).startsWith(ErroErp));
        erp.falharEm(QStringLiteral("CriaDocumentoEntrada:recusa"));
        QCOMPARE(entrada(erp, {QString(), QStringLiteral("A1")}, {0, 1}).codigo, CodigosErp::Recusado);
        erp.falharEm(QStringLiteral("Validar"), 2);
        erp.limparFalhas();
        novaGuia(erp);
        novaGuia(erp);
        QCOMPARE(a.contar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE TPDOC = 'ENT'")), 0);
    }

    void semSessao() {
        Ambiente a(motorActual());
        ErpLocal erp;
        QVERIFY(a.entrar(erp));
        auto doc = novaGuia(erp);
        juntarLinha(erp, *doc, QStringLiteral("A1"), 1, Origem{1});
        erp.logoff();
        const Resultado r = gravar(erp, *doc);
        QCOMPARE(r.flag, qint16(1));
        QCOMPARE(r.codigo, CodigosErp::SemSessao);
        Entrada e = entrada(erp, {QString(), QStringLiteral("A1")}, {0, 1});
        QCOMPARE(e.codigo, CodigosErp::SemSessao);
        QVERIFY(erroDe([&] { doc->Validar(); }).startsWith(ErroErp));
        QCOMPARE(a.guias(), 0);
        // A new login of the same session stores the same document.
        QVERIFY(a.entrar(erp));
        QCOMPARE(gravar(erp, *doc).flag, qint16(0));
    }
};

QTEST_GUILESS_MAIN(tst_ErpLocal)
#include "tst_erplocal.moc"
