// The run journal's reader, against torn, hostile and oversized records.
//
// Input: the journal file as an earlier life (or someone else) left it, put
// where the journal of workstation "POSTO1" goes in a state folder of the
// fuzzer's own (in memory where /dev/shm is there: the journal syncs).
// Checks:
//  - the journal opens: nothing in the file's content stops the program;
//  - every run read back has an id, and no two the same id;
//  - the runs the file held unfinished are still unfinished once it is
//    opened (its clean-up drops finished runs and torn records only);
//  - a run journaled after it reads back with every value as written, and
//    as ended once its end is written: no torn record before it glues to it.

#include "DiarioCorridas.h"
#include "Erro.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void exigir(bool condicao) {
    if (!condicao)
        std::abort();
}

const QString Posto = QStringLiteral("POSTO1");
const QString Base = QStringLiteral("SQLite \"/dados/empresa.db\"");

QSet<QString> porTerminar(const std::vector<CorridaDiario>& corridas) {
    QSet<QString> r;
    for (const CorridaDiario& c : corridas) {
        exigir(!c.inicio.id.isEmpty());
        if (!c.fim)
            r.insert(c.inicio.id);
    }
    return r;
}

InicioCorrida nova() {
    InicioCorrida i;
    i.hora = QDateTime(QDate(2026, 3, 5), QTime(10, 11, 12, 345), Qt::UTC);
    i.utilizador = QStringLiteral("op\n\"x\"");
    i.posto = Posto;
    i.cliente = QStringLiteral("C\t1 \u202e\U0001F600");
    i.tipoEntrada = QStringLiteral("ENT");
    i.serieEntrada = -3;
    i.anoEntrada = 2026;
    i.maiorNumero = 2147483647;
    i.linhas = {{QStringLiteral("A\\1"), Moeda::deTextoC(QStringLiteral("-0.0001")).value()},
                {QString(), Moeda::deInteiro(32767)}};
    return i;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    static QTemporaryDir pasta(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/orlavane-fuzz-XXXXXX")
                                                         : QDir::tempPath() + QStringLiteral("/orlavane-fuzz-XXXXXX"));
    static const QString caminho = [] {
        qputenv("XDG_STATE_HOME", QFile::encodeName(pasta.path()));
        QDir().mkpath(pasta.filePath(QStringLiteral("orlavane")));
        QFile::setPermissions(pasta.filePath(QStringLiteral("orlavane")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return pasta.filePath(QStringLiteral("orlavane/") + DiarioCorridas::nomeFicheiro(Posto, Base));
    }();
    {
        QFile f(caminho);
        exigir(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(dados), static_cast<qint64>(tamanho));
    }
    const QSet<QString> antes = porTerminar(DiarioCorridas::lerFicheiro(caminho));

    try {
        DiarioCorridas diario(Posto, Base);
        const std::vector<CorridaDiario> lidas = diario.corridas();
        QSet<QString> ids;
        for (const CorridaDiario& c : lidas)
            ids.insert(c.inicio.id);
        exigir(ids.size() == qsizetype(lidas.size()));
        exigir(porTerminar(lidas) == antes);
        exigir(diario.podeTerPorTerminar() == !antes.isEmpty());

        const InicioCorrida i = nova();
        const QString id = diario.iniciar(i);
        exigir(!antes.contains(id));
        const ChaveDocumento entrada{2026, QStringLiteral("ENT"), -3, 7};
        diario.entradaGuardada(id, entrada);
        FimCorrida fim;
        fim.tipo = FimCorrida::Tipo::EntradaListada;
        fim.entrada = entrada;
        diario.terminar(id, fim);
        bool vista = false;
        for (const CorridaDiario& c : diario.corridas()) {
            if (c.inicio.id != id)
                continue;
            vista = true;
            const InicioCorrida& l = c.inicio;
            exigir(l.hora == i.hora && l.utilizador == i.utilizador && l.posto == i.posto && l.cliente == i.cliente &&
                   l.tipoEntrada == i.tipoEntrada && l.serieEntrada == i.serieEntrada && l.anoEntrada == i.anoEntrada &&
                   l.maiorNumero == i.maiorNumero && l.linhas == i.linhas);
            exigir(c.entrada && c.entrada->Numero == 7 && c.entrada->Serie == -3);
            exigir(c.fim && c.fim->tipo == FimCorrida::Tipo::EntradaListada && c.fim->entrada);
        }
        exigir(vista);
    } catch (const Erro&) {
        std::abort();
    }
    return 0;
}
