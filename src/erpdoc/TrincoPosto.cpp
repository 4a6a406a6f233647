#include "TrincoPosto.h"

#include "Dialecto.h"
#include "Erro.h"
#include "RecordSet.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Erro emUso(const QString& posto) {
    return Erro(Erro::Configuracao,
                QStringLiteral("O posto \"%1\" já está a ser usado por outro Orlavane nesta base de dados da empresa "
                               "(neste ou noutro computador). Cada Orlavane aberto tem de ter um posto só seu: feche o "
                               "outro, ou dê a este outro nome em Posto, no ficheiro de configuração. Se o outro "
                               "terminou sem fechar (o computador desligou-se ou perdeu a rede), o posto fica livre "
                               "dentro de momentos.")
                    .arg(posto));
}

/// Whether the server gave the advisory lock: at once, or within a moment,
/// for the session of a program that was just killed, which the server ends
/// as soon as it notices.
bool trancarNoServidor(BaseDados& base, qint64 chave) {
    RecordSet rs;
    base.consultar(QStringLiteral("SELECT pg_try_advisory_lock(?) AS DADO"), {chave}, rs);
    if (!rs.fim() && rs.campo(QStringLiteral("DADO")).toBool())
        return true;
    rs.fechar();
    QSqlDatabase db = base.db();
    if (!db.transaction())
        return false;
    // A lock taken for the session stays after the transaction ends.
    bool dado = false;
    {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SET LOCAL lock_timeout = 2000")) &&
            q.prepare(QStringLiteral("SELECT pg_advisory_lock(?)"))) {
            q.addBindValue(chave);
            dado = q.exec();
        }
    }
    if (dado)
        db.commit();
    else
        db.rollback();
    return dado;
}

} // namespace

qint64 TrincoPosto::chave(const QString& posto) {
    const QByteArray h =
        QCryptographicHash::hash(QByteArrayLiteral("orlavane-posto\n") + posto.toUtf8(), QCryptographicHash::Sha256);
    return qFromBigEndian<qint64>(h.constData());
}

QString TrincoPosto::ficheiroTrinco(const QString& ficheiro, const QString& posto) {
    // The file's one name whatever path names it: two spellings, one lock.
    const QFileInfo info(ficheiro);
    const QString real = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    return real + QStringLiteral("-posto-%1").arg(quint64(chave(posto)), 16, 16, QLatin1Char('0'));
}

TrincoPosto::TrincoPosto(BaseDados& base, const QString& posto)
    : m_base(base), m_servidor(base.ligacao().dialecto().servidor()), m_chave(chave(posto)) {
    if (m_servidor) {
        if (!trancarNoServidor(m_base, m_chave))
            throw emUso(posto);
        return;
    }
    const QString caminho = ficheiroTrinco(base.ligacao().base, posto);
    struct stat bd {};
    const mode_t modo =
        ::stat(QFile::encodeName(base.ligacao().base).constData(), &bd) == 0 ? (bd.st_mode & 0666) : 0600;
    const QByteArray nome = QFile::encodeName(caminho);
    // Whoever may write the database may take the lock: the file gets the
    // database file's permissions. One made by another user may be one this
    // user can only read, which is enough for the lock.
    int fd = ::open(nome.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, modo);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        fd = ::open(nome.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        // A folder where no file can be made is one where SQLite cannot
        // write its journal either: nothing is stored there, by this name or
        // another, and the database is only read.
        if (fd < 0 && errno == ENOENT)
            return;
    }
    if (fd < 0)
        FicheirosEstado::falhar(QStringLiteral("abrir o trinco do posto"), caminho, errno);
    m_ficheiro = FicheirosEstado::Descritor(fd);
    struct stat s {};
    if (::fstat(fd, &s) == 0 && s.st_uid == ::geteuid() && (s.st_mode & 0666) != modo && ::fchmod(fd, modo) != 0) {
        // Another user then opens it for reading only, which still locks.
    }
    int r = 0;
    do
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0 && errno == EWOULDBLOCK)
        throw emUso(posto);
    if (r != 0)
        FicheirosEstado::falhar(QStringLiteral("trancar o posto"), caminho, errno);
}

TrincoPosto::~TrincoPosto() {
    if (!m_servidor || !m_base.aberta())
        return;
    // The name is free again for a program started after this one ends,
    // even while this connection stays open.
    m_base.reterRegistos();
    QSqlQuery q(m_base.db());
    if (q.prepare(QStringLiteral("SELECT pg_advisory_unlock(?)"))) {
        q.addBindValue(m_chave);
        q.exec();
    }
}
