// The run journal: where it lives, what it reads back, torn records,
// compaction and the lock that keeps a second instance out. No database.

#include "DiarioCorridas.h"
#include "Erro.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Base = QStringLiteral("PostgreSQL \"empresa\" em pg.local:5432 (utilizador orlavane)");

InicioCorrida inicio(const QString& cliente, qint32 maior) {
    InicioCorrida i;
    i.utilizador = QStringLiteral("op");
    i.posto = QStringLiteral("POSTO1");
    i.cliente = cliente;
    i.tipoEntrada = QStringLiteral("ENT");
    i.serieEntrada = 1;
    i.anoEntrada = 2026;
    i.maiorNumero = maior;
    i.linhas = {{QStringLiteral("A1"), Moeda::deTextoC(QStringLiteral("2.5")).value()},
                {QStringLiteral("Ç-ã €"), Moeda::deInteiro(7)},
                {QStringLiteral("A\"2\\b/"), Moeda::deInteiro(1)},
                {QStringLiteral("T\tB\x7f"), Moeda::deInteiro(2)}};
    return i;
}

ChaveDocumento chave(const QString& tipo, qint32 numero) {
    return {2026, tipo, 1, numero};
}

bool mesmaChave(const std::optional<ChaveDocumento>& a, const std::optional<ChaveDocumento>& b) {
    return a.has_value() == b.has_value() && (!a || textoChave(*a) == textoChave(*b));
}

QByteArray conteudo(const QString& caminho) {
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(caminho));
    return f.readAll();
}

void substituir(const QString& caminho, const QByteArray& dados) {
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(dados) != dados.size())
        qFatal("cannot write %s", qPrintable(caminho));
}

ino_t inode(const QString& caminho) {
    struct stat s {};
    if (::stat(QFile::encodeName(caminho).constData(), &s) != 0)
        return 0;
    return s.st_ino;
}

int permissoes(const QString& caminho) {
    struct stat s {};
    if (::stat(QFile::encodeName(caminho).constData(), &s) != 0)
        return -1;
    return int(s.st_mode & 0777);
}

} // namespace

class tst_DiarioCorridas : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> m_estado;

private Q_SLOTS:
    void init() {
        m_estado.emplace();
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_estado->path()));
    }

    void pastaENomeDoFicheiro() {
        const QString pasta = m_estado->filePath(QStringLiteral("orlavane"));
        QString primeiro;
        {
            DiarioCorridas d(QStringLiteral("POSTO 1/a"), Base);
            primeiro = d.caminho();
            QCOMPARE(QFileInfo(primeiro).absolutePath(), pasta);
            QCOMPARE(QFileInfo(primeiro).fileName(),
                     QStringLiteral("diario-POSTO%201%2Fa-") +
                         QString::fromLatin1(
                             QCryptographicHash::hash(Base.toUtf8(), QCryptographicHash::Sha256).toHex().left(12)));
            QCOMPARE(permissoes(pasta), 0700);
            QCOMPARE(permissoes(primeiro), 0600);
        }
        // One file per workstation and per database.
        QCOMPARE(DiarioCorridas(QStringLiteral("POSTO 1/a"), Base).caminho(), primeiro);
        QVERIFY(DiarioCorridas(QStringLiteral("POSTO2"), Base).caminho() != primeiro);
        QVERIFY(DiarioCorridas(QStringLiteral("POSTO 1/a"), Base + QLatin1Char('x')).caminho() != primeiro);

        // A relative XDG_STATE_HOME is ignored: the home folder's state folder.
        const QTemporaryDir casa;
        const QByteArray casaAntes = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(casa.path()));
        qputenv("XDG_STATE_HOME", "relativa/estado");
        const QString emCasa = DiarioCorridas(QStringLiteral("P"), Base).caminho();
        qputenv("HOME", casaAntes);
        QCOMPARE(QFileInfo(emCasa).absolutePath(), casa.filePath(QStringLiteral(".local/state/orlavane")));
    }

    void registosLidosDeVolta() {
        QString caminho;
        QString aberta;
        {
            DiarioCorridas d(QStringLiteral("POSTO1"), Base);
            caminho = d.caminho();
            const QString feita = d.iniciar(inicio(QStringLiteral("C1"), 41));
            d.entradaGuardada(feita, chave(QStringLiteral("ENT"), 42));
            FimCorrida fim;
            fim.tipo = FimCorrida::Tipo::GuiaFeita;
            fim.entrada = chave(QStringLiteral("ENT"), 42);
            fim.guia = chave(QStringLiteral("GR"), 7);
            fim.erro = QStringLiteral("não vai para o diário");
            d.terminar(feita, fim);
            aberta = d.iniciar(inicio(QStringLiteral("C2"), 42));
            QVERIFY(aberta != feita);

            const auto todas = d.corridas();
            QCOMPARE(todas.size(), size_t(2));
            const InicioCorrida& i = todas[0].inicio;
            QCOMPARE(i.id, feita);
            QVERIFY(qAbs(i.hora.secsTo(QDateTime::currentDateTimeUtc())) < 60);
            QCOMPARE(i.utilizador, QStringLiteral("op"));
            QCOMPARE(i.posto, QStringLiteral("POSTO1"));
            QCOMPARE(i.cliente, QStringLiteral("C1"));
            QCOMPARE(i.tipoEntrada, QStringLiteral("ENT"));
            QCOMPARE(i.serieEntrada, qint16(1));
            QCOMPARE(i.anoEntrada, qint16(2026));
            QCOMPARE(i.maiorNumero, 41);
            QVERIFY(i.linhas == inicio(QString(), 0).linhas);
            QVERIFY(mesmaChave(todas[0].entrada, chave(QStringLiteral("ENT"), 42)));
            QVERIFY(todas[0].fim);
            QCOMPARE(todas[0].fim->tipo, FimCorrida::Tipo::GuiaFeita);
            QVERIFY(mesmaChave(todas[0].fim->guia, chave(QStringLiteral("GR"), 7)));
            QVERIFY(!conteudo(caminho).contains("não vai para o diário"));

            QCOMPARE(todas[1].inicio.cliente, QStringLiteral("C2"));
            QVERIFY(!todas[1].entrada && !todas[1].fim);
            const auto abertas = d.porTerminar();
            QCOMPARE(abertas.size(), size_t(1));
            QCOMPARE(abertas[0].inicio.id, aberta);
        }
        // One record per line, readable as text.
        const QList<QByteArray> linhas = conteudo(caminho).split('\n');
        QCOMPARE(linhas.size(), 5); // four records and the empty piece after the last line feed
        QVERIFY(linhas[0].contains("\"t\":\"inicio\""));

        // The next life drops the finished run and keeps the other as it was.
        DiarioCorridas d(QStringLiteral("POSTO1"), Base);
        const auto todas = d.corridas();
        QCOMPARE(todas.size(), size_t(1));
        QCOMPARE(todas[0].inicio.id, aberta);
        QCOMPARE(todas[0].inicio.maiorNumero, 42);
    }

    void registoRasgado_data() {
        QTest::addColumn<QString>("dano");
        QTest::newRow("sem a mudança de linha") << QStringLiteral("-1");
        QTest::newRow("a meio do texto") << QStringLiteral("meio");
        QTest::newRow("no comprimento") << QStringLiteral("inicio");
        QTest::newRow("blocos a zeros depois") << QStringLiteral("zeros");
        QTest::newRow("um byte trocado") << QStringLiteral("troca");
    }

    /// The last record ("entry stored" of the second run) damaged: the
    /// records before it read back, it is ignored, and the next life appends
    /// after the good records only.
    void registoRasgado() {
        QFETCH(QString, dano);
        QString caminho;
        QString primeira, segunda;
        qsizetype antes = 0;
        {
            DiarioCorridas d(QStringLiteral("POSTO1"), Base);
            caminho = d.caminho();
            primeira = d.iniciar(inicio(QStringLiteral("C1"), 10));
            d.entradaGuardada(primeira, chave(QStringLiteral("ENT"), 11));
            segunda = d.iniciar(inicio(QStringLiteral("C2"), 11));
            antes = conteudo(caminho).size();
            d.entradaGuardada(segunda, chave(QStringLiteral("ENT"), 12));
        }
        QByteArray dados = conteudo(caminho);
        const qsizetype tamanhoUltimo = dados.size() - antes;
        if (dano == QLatin1String("-1"))
            dados.chop(1);
        else if (dano == QLatin1String("meio"))
            dados.chop(tamanhoUltimo / 2);
        else if (dano == QLatin1String("inicio"))
            dados.chop(tamanhoUltimo - 1);
        else if (dano == QLatin1String("zeros"))
            dados = dados.left(antes) + QByteArray(tamanhoUltimo, '\0');
        else
            dados[antes + tamanhoUltimo - 3] = dados[antes + tamanhoUltimo - 3] == '1' ? '2' : '1';
        substituir(caminho, dados);

        DiarioCorridas d(QStringLiteral("POSTO1"), Base);
        auto todas = d.corridas();
        QCOMPARE(todas.size(), size_t(2));
        QCOMPARE(todas[0].inicio.id, primeira);
        QVERIFY(mesmaChave(todas[0].entrada, chave(QStringLiteral("ENT"), 11)));
        QCOMPARE(todas[1].inicio.id, segunda);
        QVERIFY(!todas[1].entrada);
        // Opening cut the damage off: the file is the good records only, and
        // a record appended now reads back.
        QCOMPARE(conteudo(caminho).size(), antes);
        d.entradaGuardada(segunda, chave(QStringLiteral("ENT"), 13));
        todas = d.corridas();
        QVERIFY(mesmaChave(todas[1].entrada, chave(QStringLiteral("ENT"), 13)));
    }

    void registoDanificadoAMeio() {
        DiarioCorridas d(QStringLiteral("POSTO1"), Base);
        const QString a = d.iniciar(inicio(QStringLiteral("C1"), 1));
        d.iniciar(inicio(QStringLiteral("C2"), 2));
        const QString c = d.iniciar(inicio(QStringLiteral("C3"), 3));
        QList<QByteArray> linhas = conteudo(d.caminho()).split('\n');
        linhas[1].replace("C2", "C9");
        substituir(d.caminho(), linhas.join('\n'));
        const auto todas = d.corridas();
        QCOMPARE(todas.size(), size_t(2));
        QCOMPARE(todas[0].inicio.id, a);
        QCOMPARE(todas[1].inicio.id, c);
    }

    void compactacaoGuardaPorTerminar() {
        DiarioCorridas d(QStringLiteral("POSTO1"), Base);
        const QString feita = d.iniciar(inicio(QStringLiteral("C1"), 1));
        const QString a = d.iniciar(inicio(QStringLiteral("C2"), 2));
        d.entradaGuardada(a, chave(QStringLiteral("ENT"), 3));
        d.entradaGuardada(feita, chave(QStringLiteral("ENT"), 2));
        d.terminar(feita, {FimCorrida::Tipo::EntradaAnulada, chave(QStringLiteral("ENT"), 2), std::nullopt, {}});
        const QString b = d.iniciar(inicio(QStringLiteral("C3"), 3));
        const qsizetype antes = conteudo(d.caminho()).size();

        d.compactar();
        QVERIFY(conteudo(d.caminho()).size() < antes);
        QCOMPARE(conteudo(d.caminho()).count('\n'), 3);
        const auto todas = d.corridas();
        QCOMPARE(todas.size(), size_t(2));
        QCOMPARE(todas[0].inicio.id, a);
        QVERIFY(mesmaChave(todas[0].entrada, chave(QStringLiteral("ENT"), 3)));
        QCOMPARE(todas[0].inicio.cliente, QStringLiteral("C2"));
        QCOMPARE(todas[1].inicio.id, b);
        QVERIFY(!QFileInfo::exists(d.caminho() + QStringLiteral(".novo")));
        // The journal goes on after the rename.
        d.terminar(a, {});
        QCOMPARE(d.porTerminar().size(), size_t(1));
    }

    void compactaQuandoCresce() {
        const qint64 limite = 2000;
        DiarioCorridas d(QStringLiteral("POSTO1"), Base, limite);
        const QString aberta = d.iniciar(inicio(QStringLiteral("C0"), 0));
        for (int i = 1; i <= 12; ++i) {
            const QString id = d.iniciar(inicio(QStringLiteral("C%1").arg(i), i));
            d.terminar(id, {});
            QVERIFY2(QFileInfo(d.caminho()).size() <= limite, qPrintable(QString::number(i)));
        }
        const auto todas = d.corridas();
        QVERIFY(todas.size() < 12);
        QCOMPARE(d.porTerminar().size(), size_t(1));
        QCOMPARE(d.porTerminar()[0].inicio.id, aberta);
    }

    /// The usual start: every run of the earlier life ended. The file is
    /// emptied where it stands, not rewritten, and the journal knows without
    /// reading it that no run is open.
    void vesperaTerminadaEsvaziada() {
        QString caminho;
        {
            DiarioCorridas d(QStringLiteral("POSTO1"), Base);
            caminho = d.caminho();
            QVERIFY(!d.podeTerPorTerminar());
            const QString id = d.iniciar(inicio(QStringLiteral("C1"), 1));
            QVERIFY(d.podeTerPorTerminar());
            d.terminar(id, {});
            QVERIFY(!d.podeTerPorTerminar());
        }
        const ino_t antes = inode(caminho);
        DiarioCorridas d(QStringLiteral("POSTO1"), Base);
        QCOMPARE(QFileInfo(caminho).size(), 0);
        QCOMPARE(inode(caminho), antes);
        QVERIFY(!d.podeTerPorTerminar());
        const QString id = d.iniciar(inicio(QStringLiteral("C2"), 2));
        QCOMPARE(d.porTerminar().size(), size_t(1));
        QCOMPARE(d.porTerminar()[0].inicio.id, id);
    }

    /// A run the earlier life left open is known open from the start.
    void abertaDaVesperaConhecida() {
        {
            DiarioCorridas d(QStringLiteral("POSTO1"), Base);
            d.terminar(d.iniciar(inicio(QStringLiteral("C1"), 1)), {});
            d.iniciar(inicio(QStringLiteral("C2"), 2));
        }
        DiarioCorridas d(QStringLiteral("POSTO1"), Base);
        QVERIFY(d.podeTerPorTerminar());
        QCOMPARE(d.porTerminar().size(), size_t(1));
        d.terminar(d.porTerminar()[0].inicio.id, {});
        QVERIFY(!d.podeTerPorTerminar());
    }

    /// Grown beyond its limit with every run ended: emptied in place, and
    /// the journal goes on.
    void cresceSemAbertasEsvazia() {
        const qint64 limite = 2000;
        DiarioCorridas d(QStringLiteral("POSTO1"), Base, limite);
        const ino_t inicial = inode(d.caminho());
        for (int i = 1; i <= 12; ++i) {
            d.terminar(d.iniciar(inicio(QStringLiteral("C%1").arg(i), i)), {});
            QVERIFY2(QFileInfo(d.caminho()).size() <= limite, qPrintable(QString::number(i)));
        }
        QCOMPARE(inode(d.caminho()), inicial);
        QVERIFY(d.corridas().size() < 12);
        const QString id = d.iniciar(inicio(QStringLiteral("C13"), 13));
        QCOMPARE(d.porTerminar().size(), size_t(1));
        QCOMPARE(d.porTerminar()[0].inicio.id, id);
    }

    /// The journal trusts only a state folder of the user's alone, and never
    /// writes through a link planted where one of its files goes.
    void pastaEFicheirosAlheios_data() {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("recusa"); ///< what the refusal says; empty when the journal opens
        QTest::newRow("pasta que outros alteram") << "0777"
                                                  << "pode ser alterada por outros utilizadores";
        if (::geteuid() == 0)
            QTest::newRow("pasta de outro utilizador") << "nobody"
                                                       << "pertence a outro utilizador";
        QTest::newRow("o diário é uma ligação") << ""
                                                << "Too many levels of symbolic links";
        QTest::newRow("o trinco é uma ligação") << ".lock"
                                                << "Too many levels of symbolic links";
        QTest::newRow("o temporário é uma ligação") << ".novo" << QString();
    }
    void pastaEFicheirosAlheios() {
        QFETCH(QString, caso);
        QFETCH(QString, recusa);
        const QString pasta = m_estado->filePath(QStringLiteral("orlavane"));
        const QString caminho = pasta + QLatin1Char('/') + DiarioCorridas::nomeFicheiro(QStringLiteral("POSTO1"), Base);
        // A run left open and a torn record: opening compacts through the temporary file.
        {
            DiarioCorridas d(QStringLiteral("POSTO1"), Base);
            d.iniciar(inicio(QStringLiteral("C1"), 0));
        }
        {
            QFile f(caminho);
            QVERIFY(f.open(QIODevice::Append));
            f.write("12 rasgado");
        }
        const QString alvo = m_estado->filePath(QStringLiteral("alvo"));
        substituir(alvo, "de outrem\n");
        if (caso == QLatin1String("0777"))
            QVERIFY(QFile::setPermissions(pasta, QFileDevice::Permissions(0x7777)));
        else if (caso == QLatin1String("nobody"))
            QCOMPARE(::chown(QFile::encodeName(pasta).constData(), 65534, 65534), 0);
        else {
            QFile::remove(caminho + caso);
            QVERIFY(QFile::link(alvo, caminho + caso));
        }
        try {
            DiarioCorridas d(QStringLiteral("POSTO1"), Base);
            QVERIFY2(recusa.isEmpty(), "opened");
            QCOMPARE(d.porTerminar().size(), size_t(1));
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), int(Erro::Ficheiro));
            QVERIFY2(!recusa.isEmpty() && e.texto().contains(recusa), qPrintable(e.texto()));
        }
        QCOMPARE(conteudo(alvo), QByteArray("de outrem\n"));
    }

    void trincoRecusaSegundo() {
        auto d = std::make_unique<DiarioCorridas>(QStringLiteral("POSTO1"), Base);
        const QString trinco = d->caminho() + QStringLiteral(".lock");
        try {
            DiarioCorridas segundo(QStringLiteral("POSTO1"), Base);
            QFAIL("a second journal of the same workstation and database opened");
        } catch (const Erro& e) {
            QCOMPARE(e.numero(), int(Erro::Ficheiro));
            QCOMPARE(e.texto(), QStringLiteral("Já está aberto outro Orlavane no posto \"POSTO1\" com esta base de "
                                               "dados. Feche-o antes de abrir este."));
        }
        // Another process is refused too; another workstation is not.
        QCOMPARE(QProcess::execute(QStringLiteral("flock"), {QStringLiteral("-n"), trinco, QStringLiteral("true")}), 1);
        DiarioCorridas outroPosto(QStringLiteral("POSTO2"), Base);
        // Once the first is gone, the next opens.
        d.reset();
        QCOMPARE(QProcess::execute(QStringLiteral("flock"), {QStringLiteral("-n"), trinco, QStringLiteral("true")}), 0);
        DiarioCorridas terceiro(QStringLiteral("POSTO1"), Base);
        QVERIFY(terceiro.porTerminar().empty());
    }
};

QTEST_GUILESS_MAIN(tst_DiarioCorridas)
#include "tst_diariocorridas.moc"
