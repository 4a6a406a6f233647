#include "SenhaTerminal.h"

#include "Dialecto.h"
#include "Erro.h"
#include "LigacaoBd.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace SenhaTerminal {

namespace {

void escrever(int fd, const QByteArray& b) {
    qsizetype feito = 0;
    while (feito < b.size()) {
        const ssize_t n = ::write(fd, b.constData() + feito, static_cast<size_t>(b.size() - feito));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        feito += n;
    }
}

} // namespace

std::optional<QString> pedir(const QString& pergunta) {
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    termios antes{};
    const bool terminal = ::tcgetattr(fd, &antes) == 0;
    if (terminal) {
        termios sem = antes;
        sem.c_lflag &= ~tcflag_t(ECHO);
        sem.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &sem);
    }
    escrever(fd, pergunta.toUtf8());
    QByteArray linha;
    bool lida = false;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (c == '\n' || c == '\r') {
            lida = true;
            break;
        }
        if (linha.size() < 4096)
            linha += c;
    }
    if (terminal)
        ::tcsetattr(fd, TCSAFLUSH, &antes);
    else
        escrever(fd, "\n");
    ::close(fd);
    if (!lida && linha.isEmpty())
        return std::nullopt;
    return QString::fromUtf8(linha);
}

QString completar(const QString& texto) {
    TextoLigacao t;
    try {
        t = TextoLigacao::analisar(texto);
    } catch (const Erro&) {
        return texto; // opening it says what is wrong
    }
    if (!t.dialecto().servidor() || !t.password.isEmpty() || !t.pedePassword())
        return texto;
    const auto password = pedir(QStringLiteral("Palavra-passe da base de dados %1: ").arg(t.descricao()));
    if (!password || password->isEmpty())
        return texto;
    t.password = *password;
    return t.texto();
}

} // namespace SenhaTerminal
