#pragma once

#include <QString>
#include <QVariant>

/// An ERP API object, whose members are reached by name. Writing or reading a
/// member the object does not have raises Erro (Erp).
class ObjectoApi {
public:
    virtual ~ObjectoApi() = default;
    /// The full name the object was created under ("ErpApi.DocumentosGcLin").
    virtual QString nomeObjecto() const = 0;
    virtual void definir(const QString& membro, const QVariant& valor) = 0;
    virtual QVariant obter(const QString& membro) const = 0;
};

/// ErpApi.DocumentoComercial: a commercial document with its header.
class DocumentoComercial : public ObjectoApi {
public:
    virtual ObjectoApi& Cab() = 0;
    virtual bool Validar() = 0;
    virtual void SugereValoresLin(ObjectoApi& linha, bool b1, bool b2, bool b3, bool b4, bool b5, bool b6, bool b7) = 0;
    virtual bool AdicionaLinha(ObjectoApi& linha) = 0;
};
