// ModelController: keeps the window's models in step. A data-source change of any model added here
// reaches every model (the one that changed included) and the controller's own DataSourceChanged.
#pragma once

#include <QObject>

class TreeItemModel;

class ModelController : public QObject
{
    Q_OBJECT

  public:
    explicit ModelController(QObject *parent = nullptr) : QObject(parent) {}

    void AddModel(TreeItemModel *model);

  signals:
    void DataSourceChanged(TreeItemModel *source);

  public slots:
    void OnDataSourceChanged(TreeItemModel *source) { emit DataSourceChanged(source); }
};
