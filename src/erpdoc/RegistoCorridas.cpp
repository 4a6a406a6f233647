#include "RegistoCorridas.h"

#include "Erro.h"
#include "FicheirosEstado.h"
#include "TextoVisivel.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString chaves(std::initializer_list<const std::optional<ChaveDocumento>*> lista) {
    QStringList r;
    for (const auto* c : lista)
        if (*c)
            r << textoChave(**c);
    return r.join(QLatin1Char(','));
}

/// "2026-03-05 10:11:12+01:00": local time, with its offset so that lines
/// written on both sides of a clock change still order and compare.
QString horaLocal(const QDateTime& hora) {
    const QDateTime local = hora.toLocalTime();
    const int desvio = local.offsetFromUtc() / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(desvio < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(qAbs(desvio) / 60, 2, 10, QLatin1Char('0'))
               .arg(qAbs(desvio) % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

RegistoCorrida registoDe(const InicioCorrida& inicio, const FimCorrida& fim, bool recuperacao) {
    return {QDateTime::currentDateTimeUtc(),
            inicio.utilizador,
            inicio.posto,
            inicio.cliente,
            fim,
            recuperacao,
            inicio.anulacao.has_value(),
            inicio.anulacao ? inicio.anulacao->motivo : QString()};
}

RegistoCorridas::RegistoCorridas(const QString& caminho)
    : m_caminho(caminho.isEmpty() ? FicheirosEstado::pasta() + QStringLiteral("/corridas.log") : caminho) {}

QByteArray RegistoCorridas::linha(const RegistoCorrida& r) {
    const FimCorrida& f = r.fim;
    QString desfecho, feitos, anulados, listados;
    switch (f.tipo) {
    case FimCorrida::Tipo::GuiaFeita:
        desfecho = QStringLiteral("guia");
        feitos = chaves({&f.entrada, &f.guia});
        break;
    case FimCorrida::Tipo::EntradaAnulada:
        desfecho = QStringLiteral("entrada-anulada");
        feitos = anulados = chaves({&f.entrada});
        break;
    case FimCorrida::Tipo::EntradaListada:
        desfecho = QStringLiteral("entrada-por-anular");
        listados = chaves({&f.entrada});
        // An annulment that annulled its Guia and not the entry stored nothing.
        if (r.anulacao)
            anulados = chaves({&f.guia});
        else
            feitos = listados;
        break;
    case FimCorrida::Tipo::NadaGuardado:
        desfecho = QStringLiteral("nada");
        break;
    case FimCorrida::Tipo::GuiaAnulada:
        desfecho = QStringLiteral("guia-anulada");
        anulados = chaves({&f.guia, &f.entrada});
        break;
    }
    const QString origem = r.recuperacao ? QStringLiteral("recuperacao")
                           : r.anulacao  ? QStringLiteral("anulacao")
                                         : QStringLiteral("corrida");
    const QList<std::pair<const char*, QString>> campos{
        {"origem", origem},     {"utilizador", r.utilizador}, {"posto", r.posto},
        {"cliente", r.cliente}, {"desfecho", desfecho},       {"feitos", feitos},
        {"anulados", anulados}, {"listados", listados},       {"erro", f.erro},
    };
    QString t = horaLocal(r.hora);
    for (const auto& [nome, valor] : campos)
        t += QLatin1Char('\t') + QLatin1String(nome) + QLatin1Char('=') + escaparControlos(valor);
    if (r.anulacao)
        t += QStringLiteral("\tmotivo=") + escaparControlos(r.motivo);
    return t.toUtf8();
}

namespace {

/// Where the last whole line of the log ends: a line torn by a full disk (or
/// a program killed in the middle of its write) has no line feed.
off_t fimDaUltimaLinha(const FicheirosEstado::Descritor& d, off_t tamanho, const QString& caminho) {
    char bloco[4096];
    off_t fim = tamanho;
    while (fim > 0) {
        const off_t inicio = fim > off_t(sizeof bloco) ? fim - off_t(sizeof bloco) : 0;
        const ssize_t n = ::pread(d.fd(), bloco, static_cast<size_t>(fim - inicio), inicio);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            FicheirosEstado::falhar(QStringLiteral("ler o registo das execuções"), caminho, n < 0 ? errno : EIO);
        for (ssize_t i = n; i > 0; --i)
            if (bloco[i - 1] == '\n')
                return inicio + i;
        fim = inicio;
    }
    return 0;
}

} // namespace

bool RegistoCorridas::registar(const RegistoCorrida& r) const {
    try {
        if (m_caminho.startsWith(FicheirosEstado::pasta() + QLatin1Char('/')))
            FicheirosEstado::criarPasta();
        const FicheirosEstado::Descritor d = FicheirosEstado::abrir(m_caminho, O_RDWR | O_CREAT | O_APPEND,
                                                                    QStringLiteral("abrir o registo das execuções"));
        // Programs writing at once take turns: the tail each one looks at
        // and cuts is its own.
        int trancado = 0;
        do
            trancado = ::flock(d.fd(), LOCK_EX);
        while (trancado != 0 && errno == EINTR);
        struct stat antes {};
        if (trancado != 0 || ::fstat(d.fd(), &antes) != 0)
            return false;
        // A line torn by an earlier write is cut off, so that this one is not
        // glued to it.
        off_t tamanho = antes.st_size;
        if (tamanho > 0) {
            const off_t inteiro = fimDaUltimaLinha(d, tamanho, m_caminho);
            if (inteiro != tamanho && ::ftruncate(d.fd(), inteiro) == 0)
                tamanho = inteiro;
        }
        try {
            FicheirosEstado::escreverTudo(d, linha(r) + '\n', QStringLiteral("escrever no registo das execuções"),
                                          m_caminho);
        } catch (const Erro&) {
            // What was written of this line goes again at once.
            if (::ftruncate(d.fd(), tamanho) != 0) {
                // Then the next line cuts it off.
            }
            throw;
        }
        return true;
    } catch (const Erro&) {
        return false;
    }
}
