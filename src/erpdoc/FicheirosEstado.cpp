#include "FicheirosEstado.h"

#include "Erro.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FicheirosEstado {

QString pasta() {
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is no base folder: it is ignored, as other
    // desktop programs ignore it.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg + QStringLiteral("/orlavane"));
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/state/orlavane"));
}

namespace {

/// Refuses a state folder that is not this user's alone.
void exigirSoDoUtilizador(const QString& p) {
    struct stat s {};
    if (::stat(QFile::encodeName(p).constData(), &s) != 0)
        falhar(QStringLiteral("verificar a pasta"), p, errno);
    if (!S_ISDIR(s.st_mode))
        throw Erro(Erro::Ficheiro, QStringLiteral("A pasta de estado do programa \"%1\" não é uma pasta.").arg(p));
    if (s.st_uid != ::geteuid() || (s.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("A pasta de estado do programa \"%1\" %2: o diário das execuções não pode ficar "
                                  "nela. Torne-a só sua (chown, chmod 700) ou apague-a, e volte a abrir o programa.")
                       .arg(p, s.st_uid != ::geteuid() ? QStringLiteral("pertence a outro utilizador")
                                                       : QStringLiteral("pode ser alterada por outros utilizadores")));
}

} // namespace

QString criarPasta() {
    const QString p = pasta();
    if (!QFileInfo(p).isDir()) {
        const QString pai = QFileInfo(p).absolutePath();
        if (!QDir().mkpath(pai))
            throw Erro(Erro::Ficheiro, QStringLiteral("Não foi possível criar a pasta %1.").arg(pai));
        if (::mkdir(QFile::encodeName(p).constData(), 0700) != 0 && errno != EEXIST)
            falhar(QStringLiteral("criar a pasta"), p, errno);
        sincronizarPasta(pai);
    }
    exigirSoDoUtilizador(p);
    return p;
}

void sincronizarPasta(const QString& pasta) {
    const Descritor d = abrir(pasta, O_RDONLY | O_DIRECTORY, QStringLiteral("abrir a pasta"));
    if (::fsync(d.fd()) != 0)
        falhar(QStringLiteral("gravar no disco a pasta"), pasta, errno);
}

Descritor::~Descritor() {
    fechar();
}

Descritor::Descritor(Descritor&& outro) noexcept : m_fd(outro.m_fd) {
    outro.m_fd = -1;
}

Descritor& Descritor::operator=(Descritor&& outro) noexcept {
    if (this != &outro) {
        fechar();
        m_fd = outro.m_fd;
        outro.m_fd = -1;
    }
    return *this;
}

void Descritor::fechar() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

Descritor abrir(const QString& caminho, int flags, const QString& oQue) {
    int fd = -1;
    do
        fd = ::open(QFile::encodeName(caminho).constData(),
                    flags | O_CLOEXEC | ((flags & O_DIRECTORY) ? 0 : O_NOFOLLOW), 0600);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        falhar(oQue, caminho, errno);
    return Descritor(fd);
}

void escreverTudo(const Descritor& d, const QByteArray& dados, const QString& oQue, const QString& caminho) {
    const char* p = dados.constData();
    qsizetype falta = dados.size();
    while (falta > 0) {
        const ssize_t n = ::write(d.fd(), p, static_cast<size_t>(falta));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            falhar(oQue, caminho, n < 0 ? errno : EIO);
        p += n;
        falta -= n;
    }
}

QByteArray lerTudo(const QString& caminho, const QString& oQue, qint64 limite) {
    int fd = -1;
    do
        fd = ::open(QFile::encodeName(caminho).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == ENOENT)
        return {};
    if (fd < 0)
        falhar(oQue, caminho, errno);
    const Descritor d(fd);
    QByteArray r;
    char bloco[65536];
    for (;;) {
        const ssize_t n = ::read(d.fd(), bloco, sizeof bloco);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            falhar(oQue, caminho, errno);
        if (n == 0)
            return r;
        if (r.size() + n > limite)
            throw Erro(Erro::Ficheiro, QStringLiteral("Não foi possível %1 %2: tem mais de %3 MiB.")
                                           .arg(oQue, caminho)
                                           .arg(limite / (1024 * 1024)));
        r.append(bloco, n);
    }
}

void falhar(const QString& oQue, const QString& caminho, int numeroErro) {
    throw Erro(Erro::Ficheiro, QStringLiteral("Não foi possível %1 %2: %3")
                                   .arg(oQue, caminho, QString::fromLocal8Bit(std::strerror(numeroErro))));
}

} // namespace FicheirosEstado
