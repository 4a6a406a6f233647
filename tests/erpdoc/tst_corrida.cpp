// The run of "&Guia" without a window: marked lines in, documents and an
// outcome out. Each outcome is checked on the recording ERP and on the local
// ERP over SQLite and PostgreSQL, with one body; the exact calls and
// arguments the ERP receives are checked on the recording ERP.

#include "Apoio.h"
#include "CorridaGuia.h"
#include "ErpGravador.h"
#include "ErpLocal.h"
#include "Erro.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>

namespace {

const QString Hoje = QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy"));
const qint16 Ano = static_cast<qint16>(QDate::currentDate().year());

/// Sector 2 and series 1 differ, so that a header that swaps them is seen.
const ParametrosGuia Guia{QStringLiteral("GR"), QStringLiteral("1"), 1, QStringLiteral("2"), QStringLiteral("A1")};

ParametrosEntrada entrada(const QString& factor = QStringLiteral("0"), const QString& tipo = QStringLiteral("ENT")) {
    return ParametrosEntrada{tipo, 1, QStringLiteral("A1"), QStringLiteral("Texto"), *FactorPreco::ler(factor)};
}

/// Line `numero` of order ENC/1/10/2024 of client C1 (line 1: A1, 5 pending;
/// line 2: A2, 7 pending; price 10), marked with quantity `quantidade`.
LinhaMarcada linha(int numero, double quantidade, double preco = 10) {
    LinhaMarcada l;
    LinhaEncomenda& e = l.encomenda;
    e.chave = {QStringLiteral("ENC"), 1, 10, 2024, numero};
    e.artigo = numero == 1 ? QStringLiteral("A1") : QStringLiteral("A2");
    e.descricao = QStringLiteral("Linha %1 de %2").arg(QString::number(numero), e.artigo);
    e.preco = Moeda::deDouble(preco);
    e.quantidadePendente = Moeda::deInteiro(numero == 1 ? 5 : 7);
    e.quantidadeOriginal = e.quantidadePendente;
    e.terceiro = QStringLiteral("C1");
    l.quantidade = Moeda::deDouble(quantidade);
    return l;
}

/// Another session in all but its saves: each save is refused (flag 1) with
/// the last error 0 and the given text.
class GravacaoSemCodigo final : public SessaoErp {
public:
    GravacaoSemCodigo(SessaoErp& s, QString texto) : m_s(s), m_texto(std::move(texto)) {}
    void definicao(int v) override { m_s.definicao(v); }
    bool login(const QString& a, const QString& b, const QString& c, const QString& d, const QString& e) override {
        return m_s.login(a, b, c, d, e);
    }
    bool logoff() override { return m_s.logoff(); }
    std::shared_ptr<ObjectoApi> CriaObjectoApi(const QString& nome) override { return m_s.CriaObjectoApi(nome); }
    void setOpcaoEntrada1(bool v) override { m_s.setOpcaoEntrada1(v); }
    void setOpcaoEntrada2(bool v) override { m_s.setOpcaoEntrada2(v); }
    void CriaDocumentoEntrada(int p1, int p2, const QString& tipo, const QString& a, qint16 serie, const QString& a2,
                              const QString& v1, const QString& v2, const QString& data, const QString& v3,
                              const QString& b, int p12, const QString& v4, const QStringList& artigos,
                              const QStringList& descricoes, const std::vector<double>& quantidades,
                              const std::vector<double>& precos, const QStringList& textos, ChaveDocumento& chave,
                              bool& flag) override {
        m_s.CriaDocumentoEntrada(p1, p2, tipo, a, serie, a2, v1, v2, data, v3, b, p12, v4, artigos, descricoes,
                                 quantidades, precos, textos, chave, flag);
    }
    void UltimoErro(qint32& codigo, QString& texto) override {
        if (!m_recusou)
            return m_s.UltimoErro(codigo, texto);
        m_recusou = false;
        codigo = 0;
        texto = m_texto;
    }
    void GravaDocumento(int, DocumentoComercial&, qint16& flag) override {
        flag = 1;
        m_recusou = true;
    }
    void AnulaDocumento(int p1, ChaveDocumento& chave, EstadoOperacao& estado, qint16& flag) override {
        m_s.AnulaDocumento(p1, chave, estado, flag);
    }

private:
    SessaoErp& m_s;
    QString m_texto;
    bool m_recusou = false;
};

/// What the ERP holds after a run.
struct Efeitos {
    int guias = 0;    ///< Guias saved
    int entradas = 0; ///< entries stored and not annulled
    int anuladas = 0; ///< entries annulled
    bool operator==(const Efeitos&) const = default;
};

char* toString(const Efeitos& e) {
    return qstrdup(QStringLiteral("{guias %1, entradas %2, anuladas %3}")
                       .arg(QString::number(e.guias), QString::number(e.entradas), QString::number(e.anuladas))
                       .toUtf8()
                       .constData());
}

/// The ERP of one test row: "gravador" (the recording ERP) or the local ERP
/// on "sqlite" or "postgresql", over client C1's order ENC/1/10/2024.
struct Erp {
    explicit Erp(const QString& qual) {
        if (qual == QLatin1String("gravador")) {
            gravador.emplace();
            sessao = &*gravador;
            return;
        }
        base.emplace(qual == QLatin1String("sqlite") ? Motor::Sqlite : Motor::Postgres);
        base->dadosBase();
        base->encomenda(QStringLiteral("ENC"), 1, 10, 2024, QStringLiteral("C1"), QStringLiteral("2024-03-05"),
                        QStringLiteral("R1"), {{QStringLiteral("A1"), 5}, {QStringLiteral("A2"), 7}});
        local = erpLocalLigado(*base);
        sessao = local.get();
    }
    Q_DISABLE_COPY_MOVE(Erp)

    ResultadoCorrida executar(const std::vector<LinhaMarcada>& linhas, const ParametrosEntrada& e = entrada()) {
        return CorridaGuia(*sessao, Guia, e, 0).executar(linhas, QStringLiteral("C1"));
    }
    void falharEm(const QString& operacao) {
        if (gravador)
            gravador->falharEm(operacao);
        else
            static_cast<ErpLocal&>(*local).falharEm(operacao);
    }
    Efeitos efeitos() {
        if (gravador)
            return {gravador->documentosGravados,
                    gravador->entradasGuardadas - static_cast<int>(gravador->anuladas.size()),
                    static_cast<int>(gravador->anuladas.size())};
        auto contar = [&](const char* onde) {
            return base->escalar(QStringLiteral("SELECT COUNT(*) FROM DOCGCCAB WHERE ") + QLatin1String(onde)).toInt();
        };
        return {contar("TPDOC = 'GR' AND ANULADO = 0"), contar("TPDOC = 'ENT' AND ANULADO = 0"),
                contar("TPDOC = 'ENT' AND ANULADO = -1")};
    }
    /// What is still pending on line `numero` of the order (local ERP only).
    double pendente(int numero) {
        return base
            ->escalar(QStringLiteral("SELECT QUANT FROM DOCGCLIN WHERE TPDOCUM = 'ENC' AND NNUMDOC = 10 "
                                     "AND NUMLINHA = ?"),
                      {numero})
            .toDouble();
    }

    std::optional<ErpGravador> gravador;
    std::optional<BaseTeste> base;
    std::unique_ptr<SessaoErp> local;
    SessaoErp* sessao = nullptr;
};

/// The local ERP over one engine, with the workstation's run journal and log
/// in a state folder of their own: the run as the program makes it.
struct ComDiario {
    explicit ComDiario(Motor motor)
        : erp(motor == Motor::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("postgresql")) {
        qputenv("XDG_STATE_HOME", QFile::encodeName(estado.path()));
        if (!bd.abrir(erp.base->textoLigacao()))
            qFatal("%s", qPrintable(bd.ultimoErro()));
        // The workstation the local ERP logged in on: its entries are this journal's.
        corridas.emplace(bd, QStringLiteral("op"), QStringLiteral("posto1"));
    }
    ResultadoCorrida executar(const std::vector<LinhaMarcada>& linhas) {
        return CorridaGuia(*erp.sessao, Guia, entrada(), 0, &*corridas).executar(linhas, QStringLiteral("C1"));
    }
    ErpLocal& local() { return static_cast<ErpLocal&>(*erp.local); }
    /// The journal's runs, as far as recovery is concerned: "inicio", and
    /// "entrada" once the entry's key is recorded.
    QString porTerminar() {
        QStringList r;
        for (const CorridaDiario& c : corridas->diario().porTerminar())
            r << (c.entrada ? QStringLiteral("inicio+entrada") : QStringLiteral("inicio"));
        return r.join(QLatin1Char(','));
    }
    QStringList registo() {
        QFile f(corridas->registo().caminho());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    bool anulada(const ChaveDocumento& c) {
        return erp.base
                   ->escalar(QStringLiteral("SELECT ANULADO FROM DOCGCCAB WHERE TPDOC = ? AND NNUMDOC = ? AND ANO = ?"),
                             {c.TipoDoc, c.Numero, c.Ano})
                   .toInt() == -1;
    }

    QTemporaryDir estado;
    Erp erp;
    BaseDados bd;
    std::optional<CorridasDoPosto> corridas;
};

/// What a store fails with when its answer is lost: the connection cut and
/// the database's error.
[[noreturn]] void ligacaoCortada(BaseTeste& base) {
    cortarLigacaoDoErp(base);
    throw Erro(Erro::Sql, QStringLiteral("server closed the connection unexpectedly"));
}

/// While alive, the process may write no byte more to any file: the journal's
/// next record fails as on a full disk.
class FicheirosCheios final {
public:
    FicheirosCheios() {
        getrlimit(RLIMIT_FSIZE, &m_antes);
        m_sinal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit agora = m_antes;
        agora.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &agora);
    }
    ~FicheirosCheios() {
        setrlimit(RLIMIT_FSIZE, &m_antes);
        std::signal(SIGXFSZ, m_sinal);
    }
    Q_DISABLE_COPY_MOVE(FicheirosCheios)

private:
    rlimit m_antes{};
    void (*m_sinal)(int) = nullptr;
};

void adicionarErps() {
    QTest::addColumn<QString>("erp");
    for (const char* e : {"gravador", "sqlite", "postgresql"})
        QTest::newRow(e) << QString::fromLatin1(e);
}

} // namespace

class tst_Corrida : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Outcomes, on every ERP.

    void sucesso_data() { adicionarErps(); }
    void sucesso() {
        QFETCH(QString, erp);
        Erp e(erp);
        const ResultadoCorrida r = e.executar({linha(1, 3), linha(2, 7)});
        QVERIFY2(r.mensagens.isEmpty(), qPrintable(r.mensagens.join('|')));
        QVERIFY(!r.erro);
        QVERIFY(r.porAnular.empty());
        QVERIFY(r.entrada && r.guia);
        QCOMPARE(textoChave(*r.entrada), QStringLiteral("ENT/1/1/%1").arg(Ano));
        QCOMPARE(textoChave(*r.guia), QStringLiteral("GR/1/1/%1").arg(Ano));
        QCOMPARE(e.efeitos(), (Efeitos{1, 1, 0}));
        if (e.base) {
            QCOMPARE(e.pendente(1), 2.0);
            QCOMPARE(e.pendente(2), 0.0);
            // The header as written: series 1, sector 2.
            QCOMPARE(e.base->escalar(QStringLiteral("SELECT SERIE || '/' || SECTOR FROM DOCGCCAB WHERE TPDOC = 'GR'"))
                         .toString(),
                     QStringLiteral("1/2"));
        }
    }

    void falhas_data() {
        QTest::addColumn<QString>("erp");
        QTest::addColumn<QStringList>("falhas");
        QTest::addColumn<QStringList>("mensagens"); // "%e" stands for the entry's key
        QTest::addColumn<int>("entradas");          // entries left stored, listed for the operator
        QTest::addColumn<int>("anuladas");
        const QString lista = QStringLiteral("Os documentos seguintes devem ser anulados manualmente - \n\r'%e '");
        for (const char* erp : {"gravador", "sqlite", "postgresql"}) {
            const auto linha = [&](const QString& nome, const QStringList& falhas, const QStringList& mensagens,
                                   int entradas, int anuladas) {
                QTest::addRow("%s: %s", erp, qPrintable(nome))
                    << QString::fromLatin1(erp) << falhas << mensagens << entradas << anuladas;
            };
            // The entry refused: only the ERP's text, no Guia tried.
            linha("CriaDocumentoEntrada:recusa", {"CriaDocumentoEntrada:recusa"},
                  {"Falha simulada em CriaDocumentoEntrada:recusa."}, 0, 0);
            // Any failure after the entry, whatever its type: the Guia's text, the entry annulled.
            for (const QString o :
                 {"CriaObjectoApi", "Cab", "Validar", "CriaObjectoApi:std", "Cab:std", "Validar:std",
                  "SugereValoresLin:std", "AdicionaLinha", "GravaDocumento", "GravaDocumento:excepcao"})
                linha(o, {o}, {"Falha simulada em " + o + "."}, 0, 1);
            // The annulment failing too: the entry stays, listed for the operator.
            for (const QString a : {"AnulaDocumento", "AnulaDocumento:excepcao"})
                linha(a, {"GravaDocumento", a}, {"Falha simulada em GravaDocumento.", lista}, 1, 0);
        }
    }
    void falhas() {
        QFETCH(QString, erp);
        QFETCH(QStringList, falhas);
        QFETCH(QStringList, mensagens);
        QFETCH(int, entradas);
        QFETCH(int, anuladas);
        Erp e(erp);
        for (const QString& f : falhas)
            e.falharEm(f);
        const ResultadoCorrida r = e.executar({linha(1, 3)});
        QCOMPARE(r.entrada.has_value(), entradas + anuladas > 0);
        QCOMPARE(r.mensagens,
                 mensagens.replaceInStrings(QStringLiteral("%e"), r.entrada ? textoChave(*r.entrada) : ""));
        QVERIFY(!r.erro && !r.guia);
        QCOMPARE(r.porAnular.size(), size_t(entradas));
        QCOMPARE(e.efeitos(), (Efeitos{0, entradas, anuladas}));
    }

    void entradaQueRebenta_data() { adicionarErps(); }
    void entradaQueRebenta() {
        QFETCH(QString, erp);
        Erp e(erp);
        e.falharEm(QStringLiteral("CriaDocumentoEntrada"));
        const ResultadoCorrida r = e.executar({linha(1, 3)});
        // Handed back whole, for the window to treat as any error it does not expect.
        QVERIFY(r.erro);
        QCOMPARE(textoDoErro(r.erro), QStringLiteral("Falha simulada em CriaDocumentoEntrada."));
        QVERIFY(r.mensagens.isEmpty() && !r.entrada && !r.guia);
        QCOMPARE(e.efeitos(), (Efeitos{0, 0, 0}));
    }

    void gravacaoRecusadaSemCodigo_data() {
        QTest::addColumn<QString>("erp");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("mostrado");
        for (const char* e : {"gravador", "sqlite", "postgresql"}) {
            QTest::addRow("%s: sem texto", e) << QString::fromLatin1(e) << QString() << "Documento não gravado.";
            QTest::addRow("%s: com texto", e) << QString::fromLatin1(e) << "Bloqueado."
                                              << "Bloqueado.";
        }
    }
    void gravacaoRecusadaSemCodigo() {
        QFETCH(QString, erp);
        QFETCH(QString, texto);
        QFETCH(QString, mostrado);
        Erp e(erp);
        GravacaoSemCodigo sessao(*e.sessao, texto);
        const ResultadoCorrida r = CorridaGuia(sessao, Guia, entrada(), 0).executar({linha(1, 3)}, "C1");
        // A refused save is a failure whatever the ERP's code: the entry is annulled.
        QCOMPARE(r.mensagens, QStringList{mostrado});
        QVERIFY(r.entrada && !r.guia);
        QCOMPARE(e.efeitos(), (Efeitos{0, 0, 1}));
    }

    void recusaPorExcessoAnulaEntrada_data() { adicionarMotores(); }
    void recusaPorExcessoAnulaEntrada() {
        QFETCH(Motor, motor);
        Erp e(motor == Motor::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("postgresql"));
        // Another workstation satisfied 3 of the 5 meanwhile.
        e.base->executar("UPDATE DOCGCLIN SET QUANT = 2 WHERE TPDOCUM='ENC' AND NNUMDOC=10 AND NUMLINHA=1");
        const ResultadoCorrida r = e.executar({linha(1, 5)});
        QCOMPARE(r.mensagens, QStringList{"ENC/1/10 linha 1: pendente 2,00, pedido 5,00"});
        QCOMPARE(e.efeitos(), (Efeitos{0, 0, 1}));
        QCOMPARE(e.base->escalar("SELECT COUNT(*) FROM DOCGCLIN WHERE TPDOCUM='GR'").toInt(), 0);
        QCOMPARE(e.pendente(1), 2.0);
    }

    // With the journal: the local ERP on both engines.

    void diario_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QStringList>("falhas");
        QTest::addColumn<QStringList>("vistos"); ///< the journal inside each store, before its commit
        QTest::addColumn<int>("fim");
        QTest::addColumn<QString>("desfecho");
        for (const Motor m : {Motor::Sqlite, Motor::Postgres}) {
            const char* motor = m == Motor::Sqlite ? "sqlite" : "postgresql";
            const auto linha = [&](const char* nome, const QStringList& falhas, const QStringList& vistos,
                                   FimCorrida::Tipo fim, const char* desfecho) {
                QTest::addRow("%s: %s", motor, nome)
                    << m << falhas << vistos << int(fim) << QString::fromLatin1(desfecho);
            };
            linha("guia feita", {}, {"CriaDocumentoEntrada: inicio", "GravaDocumento: inicio+entrada"},
                  FimCorrida::Tipo::GuiaFeita, "guia");
            linha("guia recusada", {"GravaDocumento"},
                  {"CriaDocumentoEntrada: inicio", "AnulaDocumento: inicio+entrada"}, FimCorrida::Tipo::EntradaAnulada,
                  "entrada-anulada");
            linha("anulação recusada", {"GravaDocumento", "AnulaDocumento"}, {"CriaDocumentoEntrada: inicio"},
                  FimCorrida::Tipo::EntradaListada, "entrada-por-anular");
            linha("entrada recusada", {"CriaDocumentoEntrada:recusa"}, {}, FimCorrida::Tipo::NadaGuardado, "nada");
        }
    }
    void diario() {
        QFETCH(Motor, motor);
        QFETCH(QStringList, falhas);
        QFETCH(QStringList, vistos);
        QFETCH(int, fim);
        QFETCH(QString, desfecho);
        ComDiario c(motor);
        for (const QString& f : falhas)
            c.local().falharEm(f);
        QStringList visto;
        c.local().definirAccaoNoMeio([&](const QString& op) { visto << op + QStringLiteral(": ") + c.porTerminar(); });
        const ResultadoCorrida r = c.executar({linha(1, 3)});
        // The start is on the disk before the entry is stored, its key before the Guia.
        QCOMPARE(visto, vistos);

        const std::vector<CorridaDiario> corridas = c.corridas->diario().corridas();
        QCOMPARE(corridas.size(), size_t(1));
        const InicioCorrida& i = corridas[0].inicio;
        QCOMPARE(i.utilizador + i.posto + i.cliente + i.tipoEntrada, QStringLiteral("opposto1C1ENT"));
        QCOMPARE(i.serieEntrada, qint16(1));
        QCOMPARE(i.anoEntrada, Ano);
        QCOMPARE(i.maiorNumero, 0);
        QVERIFY(i.linhas == (std::vector<LinhaDiario>{{QStringLiteral("A1"), Moeda::deInteiro(3)}}));
        QVERIFY(corridas[0].fim && !corridas[0].recuperada);
        QCOMPARE(int(corridas[0].fim->tipo), fim);
        QCOMPARE(corridas[0].fim->entrada.has_value(), r.entrada.has_value());
        const QStringList registo = c.registo();
        QCOMPARE(registo.size(), 1);
        QVERIFY2(registo[0].contains(QStringLiteral("\torigem=corrida\tutilizador=op\tposto=posto1\tcliente=C1\t"
                                                    "desfecho=") +
                                     desfecho + QLatin1Char('\t')),
                 qPrintable(registo[0]));
        QVERIFY(!r.porVerificar);
    }

    /// The database fails in the middle of a store: the outcome is read back
    /// from the database before anything is decided.
    void respostaPerdida_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<QString>("caso");
        for (const Motor m : {Motor::Sqlite, Motor::Postgres})
            for (const char* caso : {"guia gravada", "anulacao feita", "entrada guardada", "guia por verificar"})
                QTest::addRow("%s: %s", m == Motor::Sqlite ? "sqlite" : "postgresql", caso)
                    << m << QString::fromUtf8(caso);
    }
    void respostaPerdida() {
        QFETCH(Motor, motor);
        QFETCH(QString, caso);
        ComDiario c(motor);
        BaseTeste& base = *c.erp.base;
        const QString cortada = QStringLiteral("server closed the connection unexpectedly");
        ErpLocal& erp = c.local();
        const auto depoisDe = [&](const QString& operacao) {
            erp.definirAccaoDepois([&, operacao](const QString& op) {
                if (op == operacao)
                    ligacaoCortada(base);
            });
        };
        if (caso == QLatin1String("guia gravada")) {
            depoisDe(QStringLiteral("GravaDocumento"));
        } else if (caso == QLatin1String("anulacao feita")) {
            erp.falharEm(QStringLiteral("GravaDocumento"));
            depoisDe(QStringLiteral("AnulaDocumento"));
        } else if (caso == QLatin1String("entrada guardada")) {
            depoisDe(QStringLiteral("CriaDocumentoEntrada"));
        } else {
            // The database goes away in the middle of the save: nothing can be read.
            erp.definirAccaoNoMeio([&](const QString& op) {
                if (op != QLatin1String("GravaDocumento"))
                    return;
                base.apagar();
                throw Erro(Erro::Sql, cortada);
            });
        }
        const ResultadoCorrida r = c.executar({linha(1, 3)});
        QVERIFY(r.entrada);
        const QString entrada = textoChave(*r.entrada);
        const auto fim = c.corridas->diario().corridas().at(0).fim;

        if (caso == QLatin1String("guia por verificar")) {
            // Nothing decided, nothing annulled: the run waits for recovery.
            QCOMPARE(r.mensagens.size(), 1);
            QVERIFY2(r.mensagens[0].startsWith(
                         cortada + QStringLiteral("\n\nNão foi possível confirmar se a guia da entrada %1 ficou "
                                                  "gravada: ")
                                       .arg(entrada)) &&
                         r.mensagens[0].endsWith(QStringLiteral("é verificada no próximo arranque do programa (ou "
                                                                "antes da próxima guia).")),
                     qPrintable(r.mensagens[0]));
            QVERIFY(r.porVerificar && !r.guia && r.porAnular.empty());
            QCOMPARE(c.porTerminar(), QStringLiteral("inicio+entrada"));
            QVERIFY(c.registo().isEmpty());
            return;
        }
        QVERIFY2(!r.porVerificar && fim, qPrintable(r.mensagens.join("|")));
        QCOMPARE(c.registo().size(), 1);
        if (caso == QLatin1String("guia gravada")) {
            // Committed although the save failed: a Guia made, its entry stays.
            QVERIFY2(r.mensagens.isEmpty(), qPrintable(r.mensagens.join('|')));
            QVERIFY(r.guia);
            QCOMPARE(textoChave(*r.guia), QStringLiteral("GR/1/1/%1").arg(Ano));
            QCOMPARE(fim->tipo, FimCorrida::Tipo::GuiaFeita);
            QCOMPARE(c.erp.efeitos(), (Efeitos{1, 1, 0}));
            QCOMPARE(c.erp.pendente(1), 2.0);
            return;
        }
        // The entry annulled: the annulment's commit found done, or the
        // entry found stored (its answer lost) and annulled again.
        QCOMPARE(r.mensagens, QStringList{caso == QLatin1String("anulacao feita")
                                              ? QStringLiteral("Falha simulada em GravaDocumento.")
                                              : cortada});
        QVERIFY(!r.guia && r.porAnular.empty());
        QCOMPARE(fim->tipo, FimCorrida::Tipo::EntradaAnulada);
        QVERIFY(c.anulada(*r.entrada));
        QCOMPARE(c.erp.efeitos(), (Efeitos{0, 0, 1}));
        QCOMPARE(c.erp.pendente(1), 5.0);
    }

    /// Before a run, the unfinished runs of the workstation are recovered; a
    /// database that cannot be read refuses the run.
    void recuperaAntes_data() {
        QTest::addColumn<Motor>("motor");
        QTest::addColumn<bool>("acessivel");
        for (const Motor m : {Motor::Sqlite, Motor::Postgres})
            for (const bool acessivel : {true, false})
                QTest::addRow("%s: %s", m == Motor::Sqlite ? "sqlite" : "postgresql",
                              acessivel ? "base acessível" : "base inacessível")
                    << m << acessivel;
    }
    void recuperaAntes() {
        QFETCH(Motor, motor);
        QFETCH(bool, acessivel);
        ComDiario c(motor);
        // A run left unfinished with its entry stored.
        InicioCorrida i;
        i.cliente = QStringLiteral("C1");
        i.tipoEntrada = QStringLiteral("ENT");
        i.serieEntrada = 1;
        i.anoEntrada = Ano;
        i.linhas = {{QStringLiteral("A2"), Moeda::deInteiro(2)}};
        i = c.corridas->iniciar(i);
        const ChaveDocumento orfa = CorridaGuia(*c.erp.sessao, Guia, entrada(), 0).GravaEntrada({linha(2, 2)});
        c.corridas->entradaGuardada(i, orfa);
        if (!acessivel)
            c.erp.base->apagar();

        const ResultadoCorrida r = c.executar({linha(1, 3)});
        const QString inicio = QStringLiteral("A execução interrompida de %1 (cliente C1)")
                                   .arg(c.corridas->diario().corridas().at(0).inicio.hora.toLocalTime().toString(
                                       QStringLiteral("dd-MM-yyyy 'às' HH:mm")));
        if (!acessivel) {
            // One box; the journal as it was, and no run started behind it.
            QCOMPARE(r.mensagens.size(), 1);
            QVERIFY2(r.mensagens[0].startsWith(inicio + QStringLiteral(" não pôde ser verificada: ")) &&
                         r.mensagens[0].endsWith(
                             QStringLiteral("\n\nNada foi guardado: a guia só se faz depois de verificada essa "
                                            "execução. Verifique a ligação à base de dados e volte a tentar.")),
                     qPrintable(r.mensagens[0]));
            QVERIFY(!r.entrada && !r.erro);
            QCOMPARE(c.porTerminar(), QStringLiteral("inicio+entrada"));
            return;
        }
        QCOMPARE(r.mensagens,
                 QStringList{inicio + QStringLiteral(": a entrada %1 foi anulada.").arg(textoChave(orfa))});
        QVERIFY(r.guia);
        QVERIFY(c.anulada(orfa));
        QCOMPARE(c.erp.efeitos(), (Efeitos{1, 1, 1}));
        QCOMPARE(c.porTerminar(), QString());
    }

    /// A journal that cannot be written: the run stores nothing and says why.
    void diarioQueNaoEscreve_data() { adicionarMotores(); }
    void diarioQueNaoEscreve() {
        QFETCH(Motor, motor);
        ComDiario c(motor);
        ResultadoCorrida r;
        {
            const FicheirosCheios cheios;
            r = c.executar({linha(1, 3)});
        }
        QCOMPARE(r.mensagens.size(), 1);
        QVERIFY2(r.mensagens[0].startsWith(QStringLiteral("Nada foi guardado: Não foi possível escrever no diário das "
                                                          "execuções ")) &&
                     r.mensagens[0].endsWith(
                         QStringLiteral("Verifique o espaço livre no disco e as permissões da pasta \"%1/orlavane\", e "
                                        "volte a tentar.")
                             .arg(c.estado.path())),
                 qPrintable(r.mensagens[0]));
        QVERIFY(!r.entrada && !r.erro);
        QCOMPARE(c.erp.efeitos(), (Efeitos{0, 0, 0}));
        QVERIFY(c.corridas->diario().corridas().empty());
    }

    // The calls and arguments, on the recording ERP.

    void cabecalhoELinhas() {
        ErpGravador g;
        const ResultadoCorrida r = CorridaGuia(g, Guia, entrada(), 0).executar({linha(1, 3), linha(2, 7)}, "C1");
        QVERIFY(r.guia);
        const QStringList ch = g.chamadas;
        const qsizetype inicio = ch.indexOf(QStringLiteral("CriaObjectoApi(ErpApi.DocumentoComercial)"));
        QVERIFY(inicio > 0);
        QCOMPARE(ch.mid(inicio, 19), (QStringList{
                                         "CriaObjectoApi(ErpApi.DocumentoComercial)",
                                         QStringLiteral("Cab.Ano=%1 (short)").arg(Ano),
                                         "Cab.Data=" + Hoje,
                                         "Cab.AreaGestao=4 (short)",
                                         "Cab.Sector=2",
                                         "Cab.Serie=1",
                                         "Cab.TipoDocumento=GR",
                                         "Cab.TipoTerceiro=2 (short)",
                                         "Cab.Terceiro=C1",
                                         "Cab.TipoPreco=0 (short)",
                                         "Validar()",
                                         "Cab.NumeroContribuinte=",
                                         "Cab.DescontoCabecalho=0 (short)",
                                         "Cab.Processo=",
                                         "Cab.VossoNoDocumento=",
                                         "Cab.MeiodeTransporte=",
                                         "Cab.Matricula=",
                                         "Cab.LocalCarga=",
                                         "Cab.LocalDescarga=",
                                     }));
        // Each line: its members in order, pointing back at its order line.
        QCOMPARE(ch.mid(inicio + 19, 16), (QStringList{
                                              "CriaObjectoApi(ErpApi.DocumentosGcLin)",
                                              "Linha.TipoDeLinha=1 (short)",
                                              "Linha.Artigo=A1",
                                              "Linha.Armazem=A1",
                                              "SugereValoresLin(true,true,false,true,true,false,true)",
                                              "Linha.Descricao=Linha 1 de A1",
                                              "Linha.Quantidade=3 (Moeda)",
                                              "Linha.QuantidadeOrigem=3 (Moeda)",
                                              "Linha.PrecoUnitario=10 (Moeda)",
                                              "Linha.OrDoc=ENC",
                                              "Linha.Orano=2024 (qlonglong)",
                                              "Linha.OrNum=10 (qlonglong)",
                                              "Linha.Orserie=1 (qlonglong)",
                                              "Linha.LinhaOriginal=1 (qlonglong)",
                                              "AdicionaLinha()",
                                              "CriaObjectoApi(ErpApi.DocumentosGcLin)",
                                          }));
        QCOMPARE(
            g.chamadasDe({"Linha.Artigo", "Linha.LinhaOriginal", "GravaDocumento", "UltimoErro", "AnulaDocumento"}),
            (QStringList{"UltimoErro()", "Linha.Artigo=A1", "Linha.LinhaOriginal=1 (qlonglong)", "Linha.Artigo=A2",
                         "Linha.LinhaOriginal=2 (qlonglong)", "GravaDocumento(1)"}));
    }

    void argumentosDaEntrada() {
        ErpGravador g;
        ParametrosEntrada p{QStringLiteral("ENT"), 7, QStringLiteral("ARM"), QStringLiteral("Obs"),
                            *FactorPreco::ler(QStringLiteral("0.1"))};
        CorridaGuia(g, Guia, p, 0).executar({linha(2, 7)}, "C1");
        QCOMPARE(g.entradas.size(), size_t(1));
        const auto& e = g.entradas.front();
        QCOMPARE(e.p1, 1);
        QCOMPARE(e.p2, 4);
        QCOMPARE(e.tipo, QStringLiteral("ENT"));
        QCOMPARE(e.textoA, QStringLiteral("ARM"));
        QCOMPARE(e.textoA2, QStringLiteral("ARM"));
        QCOMPARE(e.serie, qint16(7));
        QCOMPARE(e.data, Hoje);
        QCOMPARE(e.textoB, QStringLiteral("Obs"));
        QCOMPARE(e.p12, 0);
        QCOMPARE(e.artigos, (QStringList{"", "A2"}));
        QCOMPARE(e.descricoes, (QStringList{"", "Linha 2 de A2"}));
        QCOMPARE(e.quantidades, (std::vector<double>{0, 7}));
        QCOMPARE(e.precos, (std::vector<double>{0, 9})); // 10 less 10%
        QCOMPARE(e.textos, (QStringList{"", ""}));
        // The two settings first, the outcome asked right after.
        QCOMPARE(g.chamadasDe({"Opcao", "CriaDocumentoEntrada", "UltimoErro"}).mid(0, 4),
                 (QStringList{"OpcaoEntrada1=true", "OpcaoEntrada2=true",
                              "CriaDocumentoEntrada(1,4,ENT,ARM,7,ARM,,," + Hoje +
                                  ",,Obs,0,,[,A2],[,Linha 2 de A2],"
                                  "[0,7],[0,9],[,])",
                              "UltimoErro()"}));
    }

    void factorDePreco_data() {
        QTest::addColumn<QString>("factor");
        QTest::addColumn<double>("preco");
        QTest::addColumn<double>("esperado");
        QTest::newRow("vazio") << "" << 12.345 << 12.34; // half to even
        QTest::newRow("0.1") << "0.1" << 10.0 << 9.0;
        QTest::newRow("blancos") << " 0 . 5" << 10.0 << 5.0;
        QTest::newRow("metade par") << "0" << 2.125 << 2.12;
        // 6.17495 rounds once, to 6.17 (not to 6.1750 first, then up to 6.18).
        QTest::newRow("arredonda uma vez") << "0.5" << 12.3499 << 6.17;
        QTest::newRow("metade impar sobe") << "0.5" << 12.3500 << 6.18; // 6.175
        QTest::newRow("muitas casas") << "0.333333333333333333" << 3.0 << 2.0;
    }
    void factorDePreco() {
        QFETCH(QString, factor);
        QFETCH(double, preco);
        QFETCH(double, esperado);
        ErpGravador g;
        CorridaGuia(g, Guia, entrada(factor), 0).executar({linha(1, 1, preco)}, "C1");
        QCOMPARE(g.entradas.at(0).precos.at(1), esperado);
    }

    void modosDeGravacao_data() {
        QTest::addColumn<int>("modo");
        QTest::addColumn<QString>("gravacao");
        QTest::newRow("0") << 0 << "GravaDocumento(1)";
        QTest::newRow("1") << 1 << "GravaDocumento(3)";
        QTest::newRow("2") << 2 << "GravaDocumento(2)";
        QTest::newRow("3") << 3 << "GravaDocumento(2)";
    }
    void modosDeGravacao() {
        QFETCH(int, modo);
        QFETCH(QString, gravacao);
        ErpGravador g;
        CorridaGuia(g, Guia, entrada(), static_cast<qint16>(modo)).executar({linha(1, 1)}, "C1");
        QCOMPARE(g.chamadasDe({"GravaDocumento"}), QStringList{gravacao});
    }

    void semLinhasNadaSeGrava() {
        ErpGravador g;
        const ResultadoCorrida r = CorridaGuia(g, Guia, entrada(), 0).executar({}, "C1");
        QCOMPARE(r.mensagens, QStringList{"Documento inválido. Obrigatório ter linhas."});
        QVERIFY(g.chamadasDe({"GravaDocumento"}).isEmpty());
        QCOMPARE(g.anuladas.size(), size_t(1));
    }

    void chaveComPercentagem() {
        // A document type holding "%2" is named to the operator as it is written.
        ErpGravador g;
        g.falharEm(QStringLiteral("GravaDocumento"));
        g.falharEm(QStringLiteral("AnulaDocumento"));
        const ResultadoCorrida r =
            CorridaGuia(g, Guia, entrada(QStringLiteral("0"), QStringLiteral("E%2")), 0).executar({linha(1, 1)}, "C1");
        QCOMPARE(r.mensagens.value(1),
                 QStringLiteral("Os documentos seguintes devem ser anulados manualmente - \n\r'E%2/1/1/") +
                     QString::number(Ano) + QStringLiteral(" '"));
    }
};

QTEST_GUILESS_MAIN(tst_Corrida)
#include "tst_corrida.moc"
