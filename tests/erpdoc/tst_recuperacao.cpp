// Recovery of interrupted runs and the reads that decide after a lost
// connection, on SQLite and PostgreSQL, with the local ERP storing the
// documents as the run does: the journal is written as the run writes it,
// then the run is "killed" at some point and recovery decides from the
// database.

#include "Apoio.h"
#include "BaseDados.h"
#include "CorridasDoPosto.h"
#include "Documentos.h"
#include "ErpLocal.h"
#include "Erro.h"
#include "Esquema.h"
#include "LeituraDocumentos.h"
#include "NomesApi.h"
#include "RecuperacaoCorridas.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString SenhaErp = QStringLiteral("Erp-Segredo-5521");
/// The ERP user of these tests: on PostgreSQL a login of the server's own,
/// with this test's password (the server's logins are shared by the tests).
const QString UtilizadorErp = QStringLiteral("op-recuperacao");
const QString Listagem = QStringLiteral("Os documentos seguintes devem ser anulados manualmente - ");
const QString ONoDiario = QStringLiteral(" O diário fica como estava e a verificação repete-se no próximo arranque.");

qint16 anoActual() {
    return static_cast<qint16>(QDate::currentDate().year());
}

/// The lines every run of these tests marks: A1 × 1 and A2 × 2.
const std::vector<LinhaDiario> Linhas{{QStringLiteral("A1"), Moeda::deInteiro(1)},
                                      {QStringLiteral("A2"), Moeda::deInteiro(2)}};

/// What the interrupted run left behind.
enum class Guia {
    Nenhuma,
    Viva,
    Anulada,
};

/// An entry stored after the run started that is not the run's.
enum class Vizinha {
    Nenhuma,
    OutroPosto,   ///< another workstation's, with the run's lines
    OutrasLinhas, ///< this workstation's (the ERP used beside the program), with other lines
    // The journal's "entry stored" record names a document that is not the
    // run's (a damaged or planted journal):
    ChaveDoOutroPosto,   ///< the entry of OutroPosto
    ChaveDeOutrasLinhas, ///< the entry of OutrasLinhas
    ChaveDaEncomenda,    ///< the order ENC/1/10
};

/// What goes wrong during recovery.
enum class Falha {
    Nenhuma,
    AnulacaoRecusada, ///< the ERP refuses the annulment
    BaseAntes,        ///< the database is gone before recovery starts
    BaseNaAnulacao,   ///< the database goes away in the middle of the annulment
    RespostaPerdida,  ///< the annulment is committed, its answer lost on the way back
};

/// The local ERP's annulment, done, whose answer never arrives: the
/// connection dropped while the commit's reply was on its way. Recovery
/// asks nothing else of its session.
class AnulacaoSemResposta final : public SessaoErp {
public:
    explicit AnulacaoSemResposta(ErpLocal& erp) : m_erp(erp) {}
    void AnulaDocumento(int p1, ChaveDocumento& chave, EstadoOperacao& estado, qint16& flag) override {
        m_erp.AnulaDocumento(p1, chave, estado, flag);
        if (estado.Codigo != -1)
            qFatal("annulment: %s", qPrintable(estado.TextoEstado));
        throw Erro(Erro::Sql, QStringLiteral("A ligação à base de dados perdeu-se."));
    }

    void definicao(int) override { inesperada(); }
    bool login(const QString&, const QString&, const QString&, const QString&, const QString&) override {
        inesperada();
    }
    bool logoff() override { inesperada(); }
    std::shared_ptr<ObjectoApi> CriaObjectoApi(const QString&) override { inesperada(); }
    void setOpcaoEntrada1(bool) override { inesperada(); }
    void setOpcaoEntrada2(bool) override { inesperada(); }
    void CriaDocumentoEntrada(int, int, const QString&, const QString&, qint16, const QString&, const QString&,
                              const QString&, const QString&, const QString&, const QString&, int, const QString&,
                              const QStringList&, const QStringList&, const std::vector<double>&,
                              const std::vector<double>&, const QStringList&, ChaveDocumento&, bool&) override {
        inesperada();
    }
    void UltimoErro(qint32&, QString&) override { inesperada(); }
    void GravaDocumento(int, DocumentoComercial&, qint16&) override { inesperada(); }

private:
    [[noreturn]] static void inesperada() { qFatal("recovery asked the session for more than an annulment"); }
    ErpLocal& m_erp;
};

/// A company database with client C1's order ENC/1/10 (A1 5, A2 7), the
/// local ERP logged in on workstation POSTO1, and POSTO1's journal in a
/// state folder of its own.
struct Cenario {
    explicit Cenario(Motor motor, const QString& senhaBd = QString()) : base(motor) {
        qputenv("XDG_STATE_HOME", QFile::encodeName(estado.path()));
        base.dadosBase();
        base.executar(QStringLiteral("INSERT INTO ErpEmpresas (Codigo, Nome) VALUES ('DEMO', 'Demo')"));
        Esquema::definirUtilizadorErp(base.db(), UtilizadorErp, SenhaErp);
        base.encomenda(QStringLiteral("ENC"), 1, 10, 2026, QStringLiteral("C1"), QStringLiteral("2026-03-05"),
                       QStringLiteral("R1"), {{QStringLiteral("A1"), 5}, {QStringLiteral("A2"), 7}});
        texto = base.textoLigacao();
        if (!senhaBd.isEmpty() && motor == Motor::Postgres) {
            // The program's own connection with a password of its own.
            Esquema::definirUtilizadorErp(base.db(), UtilizadorErp + QStringLiteral("-bd"), senhaBd);
            TextoLigacao t = TextoLigacao::analisar(texto);
            t.utilizador = UtilizadorErp + QStringLiteral("-bd");
            t.password = senhaBd;
            texto = t.texto();
        } else if (!senhaBd.isEmpty()) {
            texto += QStringLiteral(";Password=") + senhaBd;
        }
        if (!bd.abrir(texto))
            qFatal("%s", qPrintable(bd.ultimoErro()));
        entrar(erp, QStringLiteral("POSTO1"));
        diario.emplace(QStringLiteral("POSTO1"), CorridasDoPosto::identidadeBase(bd));
    }

    void entrar(ErpLocal& sessao, const QString& posto) {
        if (!sessao.login(UtilizadorErp, SenhaErp, QStringLiteral("DEMO"), texto, posto))
            qFatal("login: %s", qPrintable(sessao.motivoFalhaLogin()));
    }

    /// What the run journals before it stores its entry.
    QString iniciarCorrida() {
        InicioCorrida i;
        i.utilizador = UtilizadorErp;
        i.posto = QStringLiteral("POSTO1");
        i.cliente = QStringLiteral("C1");
        i.tipoEntrada = QStringLiteral("ENT");
        i.serieEntrada = 1;
        i.anoEntrada = anoActual();
        i.maiorNumero = maiorNumeroDocumento(bd, i.tipoEntrada, i.serieEntrada, i.anoEntrada);
        i.linhas = Linhas;
        return diario->iniciar(i);
    }

    /// The entry as the run stores it (A1 × 1, A2 × `quantidadeA2`), by `sessao`.
    static ChaveDocumento guardarEntrada(ErpLocal& sessao, double quantidadeA2 = 2) {
        ChaveDocumento chave;
        bool flag = false;
        sessao.setOpcaoEntrada1(true);
        sessao.setOpcaoEntrada2(true);
        sessao.CriaDocumentoEntrada(1, 4, QStringLiteral("ENT"), QStringLiteral("A1"), 1, QStringLiteral("A1"), {}, {},
                                    QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy")), {},
                                    QStringLiteral("Texto"), 0, {}, {{}, QStringLiteral("A1"), QStringLiteral("A2")},
                                    {{}, QStringLiteral("Parafuso"), QStringLiteral("Porca")}, {0, 1, quantidadeA2},
                                    {0, 9, 9}, {{}, {}, {}}, chave, flag);
        if (!flag)
            qFatal("the entry was not stored");
        return chave;
    }

    /// The Guia of the entry this session stored last: A1 × 1 from ENC/1/10 line 1.
    ChaveDocumento guardarGuia() {
        auto doc = std::dynamic_pointer_cast<DocumentoComercial>(erp.CriaObjectoApi(NomesApi::Documento));
        ObjectoApi& cab = doc->Cab();
        cab.definir(QStringLiteral("Ano"), QVariant::fromValue(anoActual()));
        cab.definir(QStringLiteral("Data"), QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy")));
        cab.definir(QStringLiteral("Serie"), QStringLiteral("1"));
        cab.definir(QStringLiteral("TipoDocumento"), QStringLiteral("GR"));
        cab.definir(QStringLiteral("TipoTerceiro"), QVariant::fromValue<qint16>(2));
        cab.definir(QStringLiteral("Terceiro"), QStringLiteral("C1"));
        const auto linha = erp.CriaObjectoApi(NomesApi::Linha);
        linha->definir(QStringLiteral("Artigo"), QStringLiteral("A1"));
        linha->definir(QStringLiteral("Quantidade"), QVariant::fromValue(Moeda::deInteiro(1)));
        linha->definir(QStringLiteral("OrDoc"), QStringLiteral("ENC"));
        linha->definir(QStringLiteral("Orano"), 2026);
        linha->definir(QStringLiteral("OrNum"), 10);
        linha->definir(QStringLiteral("Orserie"), 1);
        linha->definir(QStringLiteral("LinhaOriginal"), 1);
        doc->AdicionaLinha(*linha);
        qint16 flag = 1;
        erp.GravaDocumento(3, *doc, flag);
        if (flag != 0)
            qFatal("the Guia was not saved");
        return {anoActual(), QStringLiteral("GR"), 1, doc->Cab().obter(QStringLiteral("Numero")).toInt()};
    }

    void anular(ChaveDocumento chave) {
        EstadoOperacao estado;
        qint16 flag = 0;
        erp.AnulaDocumento(1, chave, estado, flag);
        if (estado.Codigo != -1)
            qFatal("annulment: %s", qPrintable(estado.TextoEstado));
    }

    bool anuladaNaBase(const ChaveDocumento& c) {
        return base.escalar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB WHERE TPDOC = ? AND SERIE = ? AND NNUMDOC = ?"
                                           " AND ANO = ?"),
                            {c.TipoDoc, c.Serie, c.Numero, c.Ano})
                   .toInt() == -1;
    }

    QString pendentes() {
        QStringList r;
        QSqlQuery q(base.db());
        q.exec(QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM = 'ENC' ORDER BY NUMLINHA"));
        while (q.next())
            r << Moeda::deVariant(q.value(0)).value_or(Moeda::deInteiro(-1)).paraTextoC();
        return r.join(QLatin1Char(' '));
    }

    /// "A execução interrompida de <date> (cliente C1)" for a run of the journal.
    QString inicioDaFrase(const QString& id) {
        for (const CorridaDiario& c : diario->corridas())
            if (c.inicio.id == id)
                return QStringLiteral("A execução interrompida de %1 (cliente C1)")
                    .arg(c.inicio.hora.toLocalTime().toString(QStringLiteral("dd-MM-yyyy 'às' HH:mm")));
        qFatal("no such run");
    }

    QByteArray conteudoDoDiario() {
        QFile f(diario->caminho());
        if (!f.open(QIODevice::ReadOnly))
            qFatal("cannot read the journal");
        return f.readAll();
    }

    QTemporaryDir estado;
    BaseTeste base;
    QString texto;
    BaseDados bd;
    ErpLocal erp;
    std::optional<DiarioCorridas> diario;
};

} // namespace

Q_DECLARE_METATYPE(Guia)
Q_DECLARE_METATYPE(Falha)
Q_DECLARE_METATYPE(Vizinha)

class tst_Recuperacao : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { adicionarMotores(); }

    void recupera_data() {
        QTest::addColumn<bool>("guardar");
        QTest::addColumn<bool>("registarChave");
        QTest::addColumn<Guia>("guia");
        QTest::addColumn<bool>("jaAnulada");
        QTest::addColumn<Vizinha>("vizinha");
        QTest::addColumn<Falha>("falha");
        QTest::addColumn<int>("fim"); ///< FimCorrida::Tipo; -1: the run stays in the journal
        QTest::addColumn<bool>("anuladaNoFim");
        QTest::addColumn<QString>("frase"); ///< %E the entry, %G the Guia

        const int Feita = int(FimCorrida::Tipo::GuiaFeita);
        const int Anulada = int(FimCorrida::Tipo::EntradaAnulada);
        const int Listada = int(FimCorrida::Tipo::EntradaListada);
        const int Nada = int(FimCorrida::Tipo::NadaGuardado);
        const QString temGuia = QStringLiteral("a entrada %E já tinha a guia %G; nada foi anulado.");
        const QString foiAnulada = QStringLiteral("a entrada %E foi anulada.");
        const QString nadaGuardado = QStringLiteral("não chegou a guardar a entrada; nada foi anulado.");
        // clang-format off
        // entry stored, its key journaled, Guia, entry already annulled, an entry not the run's, fault;
        // how the run ends, the entry annulled at the end, the sentence
        QTest::newRow("chave e guia")           << true  << true  << Guia::Viva    << false << Vizinha::Nenhuma      << Falha::Nenhuma          << Feita   << false << temGuia;
        QTest::newRow("chave sem guia")         << true  << true  << Guia::Nenhuma << false << Vizinha::Nenhuma      << Falha::Nenhuma          << Anulada << true  << foiAnulada;
        QTest::newRow("guia, entrada anulada")  << true  << true  << Guia::Viva    << true  << Vizinha::Nenhuma      << Falha::Nenhuma          << Feita   << true  << QStringLiteral("a guia %G foi feita mas a entrada %E está anulada; verifique-as no ERP.");
        QTest::newRow("guia anulada")           << true  << true  << Guia::Anulada << false << Vizinha::Nenhuma      << Falha::Nenhuma          << Anulada << true  << foiAnulada;
        QTest::newRow("sem chave, entrada")     << true  << false << Guia::Nenhuma << false << Vizinha::Nenhuma      << Falha::Nenhuma          << Anulada << true  << foiAnulada;
        QTest::newRow("sem chave, guia")        << true  << false << Guia::Viva    << false << Vizinha::Nenhuma      << Falha::Nenhuma          << Feita   << false << temGuia;
        QTest::newRow("sem chave, anulada")     << true  << false << Guia::Nenhuma << true  << Vizinha::Nenhuma      << Falha::Nenhuma          << Anulada << true  << QStringLiteral("a entrada %E já estava anulada.");
        QTest::newRow("sem chave, nada")        << false << false << Guia::Nenhuma << false << Vizinha::Nenhuma      << Falha::Nenhuma          << Nada    << false << nadaGuardado;
        QTest::newRow("outro posto, nada")      << false << false << Guia::Nenhuma << false << Vizinha::OutroPosto   << Falha::Nenhuma          << Nada    << false << nadaGuardado;
        QTest::newRow("outras linhas, nada")    << false << false << Guia::Nenhuma << false << Vizinha::OutrasLinhas << Falha::Nenhuma          << Nada    << false << nadaGuardado;
        QTest::newRow("outras linhas, entrada") << true  << false << Guia::Nenhuma << false << Vizinha::OutrasLinhas << Falha::Nenhuma          << Anulada << true  << foiAnulada;
        QTest::newRow("outro posto, entrada")   << true  << false << Guia::Nenhuma << false << Vizinha::OutroPosto   << Falha::Nenhuma          << Anulada << true  << foiAnulada;
        QTest::newRow("chave de outro posto")   << false << false << Guia::Nenhuma << false << Vizinha::ChaveDoOutroPosto   << Falha::Nenhuma   << Nada    << false << nadaGuardado;
        QTest::newRow("chave de outras linhas") << false << false << Guia::Nenhuma << false << Vizinha::ChaveDeOutrasLinhas << Falha::Nenhuma   << Nada    << false << nadaGuardado;
        QTest::newRow("chave da encomenda")     << false << false << Guia::Nenhuma << false << Vizinha::ChaveDaEncomenda    << Falha::Nenhuma   << Nada    << false << nadaGuardado;
        QTest::newRow("chave alheia, entrada")  << true  << false << Guia::Nenhuma << false << Vizinha::ChaveDoOutroPosto   << Falha::Nenhuma   << Anulada << true  << foiAnulada;
        QTest::newRow("resposta perdida")       << true  << true  << Guia::Nenhuma << false << Vizinha::Nenhuma      << Falha::RespostaPerdida  << Anulada << true  << foiAnulada;
        QTest::newRow("anulação recusada")      << true  << true  << Guia::Nenhuma << false << Vizinha::Nenhuma      << Falha::AnulacaoRecusada << Listada << false << QStringLiteral("a entrada %E não pôde ser anulada: Falha simulada em AnulaDocumento.");
        QTest::newRow("base inacessível")       << true  << true  << Guia::Nenhuma << false << Vizinha::Nenhuma      << Falha::BaseAntes        << -1      << false << QString();
        QTest::newRow("base perdida ao anular") << true  << true  << Guia::Nenhuma << false << Vizinha::Nenhuma      << Falha::BaseNaAnulacao   << -1      << false << QString();
        // clang-format on
    }

    void recupera() {
        QFETCH(bool, guardar);
        QFETCH(bool, registarChave);
        QFETCH(Guia, guia);
        QFETCH(bool, jaAnulada);
        QFETCH(Vizinha, vizinha);
        QFETCH(Falha, falha);
        QFETCH(int, fim);
        QFETCH(bool, anuladaNoFim);
        QFETCH(QString, frase);

        Cenario c(motorActual());
        const QString antesDaCorrida = c.pendentes();
        const QString id = c.iniciarCorrida();
        // An entry of the same type, series and year that is not the run's,
        // stored after the run started, before the run's own.
        std::optional<ChaveDocumento> doOutro;
        const bool outroPosto = vizinha == Vizinha::OutroPosto || vizinha == Vizinha::ChaveDoOutroPosto;
        if (vizinha == Vizinha::ChaveDaEncomenda) {
            doOutro = ChaveDocumento{2026, QStringLiteral("ENC"), 1, 10};
        } else if (vizinha != Vizinha::Nenhuma) {
            ErpLocal outro;
            c.entrar(outro, outroPosto ? QStringLiteral("POSTO2") : QStringLiteral("POSTO1"));
            doOutro = Cenario::guardarEntrada(outro, outroPosto ? 2 : 3);
        }
        if (vizinha == Vizinha::ChaveDoOutroPosto || vizinha == Vizinha::ChaveDeOutrasLinhas ||
            vizinha == Vizinha::ChaveDaEncomenda)
            c.diario->entradaGuardada(id, *doOutro);
        std::optional<ChaveDocumento> entrada;
        std::optional<ChaveDocumento> guiaFeita;
        if (guardar) {
            entrada = Cenario::guardarEntrada(c.erp);
            if (registarChave)
                c.diario->entradaGuardada(id, *entrada);
            if (guia != Guia::Nenhuma)
                guiaFeita = c.guardarGuia();
            if (guia == Guia::Anulada)
                c.anular(*guiaFeita);
            if (jaAnulada && guia == Guia::Viva && motorActual() == Motor::Postgres) {
                // The ERP on a server keeps an entry whose Guia was made; an
                // administrator's hand annuls it all the same.
                const QVariantList chave{entrada->TipoDoc, entrada->Serie, entrada->Numero, entrada->Ano};
                c.base.executar(QStringLiteral("UPDATE DOCGCCAB SET ANULADO = -1 WHERE TPDOC = ? AND SERIE = ?"
                                               " AND NNUMDOC = ? AND ANO = ?"),
                                chave);
                c.base.executar(QStringLiteral("UPDATE DOCGCLIN SET LINANU = -1 WHERE TPDOCUM = ? AND SERIE = ?"
                                               " AND NNUMDOC = ? AND ANO = ?"),
                                chave);
            } else if (jaAnulada) {
                c.anular(*entrada);
            }
        }
        // ... and here the program was killed.
        const QString antesDaRecuperacao = c.pendentes();
        const QString inicio = c.inicioDaFrase(id);
        const QByteArray diarioAntes = c.conteudoDoDiario();
        switch (falha) {
        case Falha::Nenhuma:
            break;
        case Falha::AnulacaoRecusada:
            c.erp.falharEm(QStringLiteral("AnulaDocumento"));
            break;
        case Falha::RespostaPerdida:
            break;
        case Falha::BaseAntes:
            c.base.apagar();
            break;
        case Falha::BaseNaAnulacao:
            c.erp.definirAccaoNoMeio([&c](const QString&) {
                c.base.apagar();
                throw Erro(Erro::BaseDadosFechada, QStringLiteral("A ligação à base de dados perdeu-se."));
            });
            break;
        }

        const RegistoCorridas registo;
        AnulacaoSemResposta semResposta(c.erp);
        SessaoErp& sessao = falha == Falha::RespostaPerdida ? static_cast<SessaoErp&>(semResposta) : c.erp;
        const ResultadoRecuperacao r = recuperarCorridas(*c.diario, c.bd, sessao, &registo);

        if (fim < 0) {
            // Nothing decided: the journal as it was, and the text says why.
            QVERIFY(r.baseInacessivel);
            QVERIFY(r.recuperadas.empty());
            QCOMPARE(c.conteudoDoDiario(), diarioAntes);
            QVERIFY2(r.texto.startsWith(inicio + QStringLiteral(" não pôde ser verificada: ")), qPrintable(r.texto));
            QVERIFY2(r.texto.endsWith(ONoDiario), qPrintable(r.texto));
            QVERIFY(!QFile::exists(registo.caminho()));
            return;
        }
        QString esperada = inicio + QStringLiteral(": ") + frase;
        esperada.replace(QLatin1String("%E"), entrada ? textoChave(*entrada) : QString());
        esperada.replace(QLatin1String("%G"), guiaFeita ? textoChave(*guiaFeita) : QString());
        if (fim == int(FimCorrida::Tipo::EntradaListada))
            esperada += QStringLiteral("\n\n") + Listagem + QStringLiteral("\n\r'") + textoChave(*entrada) +
                        QStringLiteral(" '");
        QCOMPARE(r.texto, esperada);
        QVERIFY(!r.baseInacessivel);
        QCOMPARE(r.recuperadas.size(), size_t(1));
        QCOMPARE(int(r.recuperadas[0].fim.tipo), fim);
        QCOMPARE(r.recuperadas[0].fim.entrada.has_value(), entrada.has_value());
        if (entrada)
            QCOMPARE(textoChave(*r.recuperadas[0].fim.entrada), textoChave(*entrada));

        // The run is closed in the journal and in the log.
        QVERIFY(c.diario->porTerminar().empty());
        const auto todas = c.diario->corridas();
        QCOMPARE(todas.size(), size_t(1));
        QCOMPARE(int(todas[0].fim->tipo), fim);
        QFile log(registo.caminho());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count('\n'), 1);

        // The database: the entry as expected, the one that is not the run's never touched,
        // and the order lines as the run left them (the entry took nothing from them).
        if (entrada)
            QCOMPARE(c.anuladaNaBase(*entrada), anuladaNoFim);
        if (doOutro)
            QVERIFY(!c.anuladaNaBase(*doOutro));
        if (guiaFeita)
            QCOMPARE(c.anuladaNaBase(*guiaFeita), guia == Guia::Anulada);
        QCOMPARE(c.pendentes(), antesDaRecuperacao);
        QCOMPARE(c.pendentes(), guia == Guia::Viva ? QStringLiteral("4 7") : antesDaCorrida);

        // A second recovery finds nothing to do.
        QVERIFY(recuperarCorridas(*c.diario, c.bd, c.erp).texto.isEmpty());
    }

    /// Two interrupted runs with the same lines, the second's entry stored and
    /// its key lost: it is the second run's, never the first's.
    void variasCorridas() {
        Cenario c(motorActual());
        const QString primeira = c.iniciarCorrida();
        const QString segunda = c.iniciarCorrida();
        const ChaveDocumento entrada = Cenario::guardarEntrada(c.erp);
        const QString esperada =
            c.inicioDaFrase(primeira) + QStringLiteral(": não chegou a guardar a entrada; nada foi anulado.\n") +
            c.inicioDaFrase(segunda) + QStringLiteral(": a entrada %1 foi anulada.").arg(textoChave(entrada));
        const ResultadoRecuperacao r = recuperarCorridas(*c.diario, c.bd, c.erp);
        QCOMPARE(r.texto, esperada);
        QVERIFY(c.anuladaNaBase(entrada));
        QVERIFY(c.diario->porTerminar().empty());
    }

    /// The journal goes by the company database's identity: another
    /// spelling of the same database (its file, or its server's socket
    /// folder, through ".") finds the run the first left. An older database
    /// without one goes by its description, as before; one made anew gets
    /// another.
    void diarioPelaIdentidade() {
        Cenario c(motorActual());
        c.iniciarCorrida();
        c.diario.reset();
        const bool sqlite = c.base.motor() == Motor::Sqlite;
        const QString outro = QString(c.texto).replace(
            QRegularExpression(sqlite ? QStringLiteral("Database=(.*)/") : QStringLiteral("Host=([^;]*)")),
            sqlite ? QStringLiteral("Database=\\1/./") : QStringLiteral("Host=\\1/."));
        BaseDados outra;
        QVERIFY2(outra.abrir(outro), qPrintable(outra.ultimoErro()));
        QVERIFY(outra.ligacao().descricao() != c.bd.ligacao().descricao());
        const QString identidade = CorridasDoPosto::identidadeBase(c.bd);
        QCOMPARE(CorridasDoPosto::identidadeBase(outra), identidade);
        QCOMPARE(CorridasDoPosto(outra, QStringLiteral("op"), QStringLiteral("POSTO1")).diario().porTerminar().size(),
                 size_t(1));
        c.base.comando(QStringLiteral("DROP TABLE ErpIdentidade"));
        QCOMPARE(CorridasDoPosto::identidadeBase(c.bd), c.bd.ligacao().descricao());
        Esquema::criar(c.base.db());
        QVERIFY(CorridasDoPosto::identidadeBase(c.bd) != identidade);
        QVERIFY(CorridasDoPosto::identidadeBase(c.bd) != c.bd.ligacao().descricao());
    }

    /// After a connection error the reads open a connection of their own: the
    /// Guia made and the annulment done are found although the old
    /// connection is gone; without the database they raise.
    void depoisDeUmaLigacaoPerdida() {
        Cenario c(motorActual());
        QCOMPARE(maiorNumeroDocumento(c.bd, QStringLiteral("ENC"), 1, 2026), 10);
        QCOMPARE(maiorNumeroDocumento(c.bd, QStringLiteral("ENT"), 1, anoActual()), 0);
        const ChaveDocumento entrada = Cenario::guardarEntrada(c.erp);
        QCOMPARE(maiorNumeroDocumento(c.bd, QStringLiteral("ENT"), 1, anoActual()), entrada.Numero);
        const ChaveDocumento outra = Cenario::guardarEntrada(c.erp);
        const ChaveDocumento guia = c.guardarGuia();

        // The company database's own connection is cut.
        if (c.base.motor() == Motor::Postgres) {
            QSqlQuery q(c.bd.db());
            QVERIFY(q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next());
            QVERIFY(c.base.escalar(QStringLiteral("SELECT pg_terminate_backend(?, 10000)"), {q.value(0)}).toBool());
        } else {
            c.bd.db().close();
        }
        QVERIFY_THROWS_EXCEPTION(Erro, maiorNumeroDocumento(c.bd, QStringLiteral("ENT"), 1, anoActual()));

        QVERIFY(!guiaDaEntrada(c.bd, entrada));
        const auto achada = guiaDaEntrada(c.bd, outra);
        QVERIFY(achada);
        QCOMPARE(textoChave(*achada), textoChave(guia));
        QVERIFY(!anulada(c.bd, entrada));
        c.anular(entrada);
        QVERIFY(anulada(c.bd, entrada));
        QVERIFY(!anulada(c.bd, ChaveDocumento{anoActual(), QStringLiteral("ENT"), 1, 999}));
        // An annulled Guia is no Guia.
        c.anular(guia);
        QVERIFY(!guiaDaEntrada(c.bd, outra));

        c.base.apagar();
        QVERIFY_THROWS_EXCEPTION(Erro, guiaDaEntrada(c.bd, outra));
        QVERIFY_THROWS_EXCEPTION(Erro, anulada(c.bd, entrada));
    }

    /// Passwords of the configuration (the ERP user's, the database's) never
    /// reach the journal, its name, the log or recovery's text, also when the
    /// database cannot be reached.
    void semSenhas() {
        const QString senhaBd = QStringLiteral("Bd-Segredo-8813");
        Cenario c(motorActual(), senhaBd);
        const QString listada = c.iniciarCorrida();
        c.diario->entradaGuardada(listada, Cenario::guardarEntrada(c.erp));
        c.erp.falharEm(QStringLiteral("AnulaDocumento"));
        const RegistoCorridas registo;
        QStringList textos{recuperarCorridas(*c.diario, c.bd, c.erp, &registo).texto};
        c.iniciarCorrida();
        c.base.apagar();
        const ResultadoRecuperacao r = recuperarCorridas(*c.diario, c.bd, c.erp, &registo);
        QVERIFY(r.baseInacessivel);
        textos << r.texto;

        int ficheiros = 0;
        for (QDirIterator i(c.estado.path(), QDir::Files, QDirIterator::Subdirectories); i.hasNext();) {
            const QString caminho = i.next();
            ++ficheiros;
            QFile f(caminho);
            QVERIFY(f.open(QIODevice::ReadOnly));
            textos << caminho << QString::fromUtf8(f.readAll());
        }
        QCOMPARE(ficheiros, 3); // the journal, its lock, the log
        for (const QString& t : textos)
            for (const QString& senha : {SenhaErp, senhaBd})
                QVERIFY2(!t.contains(senha), qPrintable(t));
    }
};

QTEST_GUILESS_MAIN(tst_Recuperacao)
#include "tst_recuperacao.moc"
