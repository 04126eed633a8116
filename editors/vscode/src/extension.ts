// The VS Code client of kvc lsp: starts the server for recipe files and passes it the
// changes of the bundle's tables and of kvc.json.
import * as vscode from 'vscode';
import {LanguageClient, LanguageClientOptions, ServerOptions, TransportKind,} from 'vscode-languageclient/node';

import manifest from '../package.json';

let client: LanguageClient|undefined;

// The settings this extension declares, read from its own manifest so that a renamed
// setting cannot be missed here.
type Settings = typeof manifest.contributes.configuration.properties;
const pathSetting: keyof Settings = 'kvc.path';
const bundleSetting: keyof Settings = 'kvc.bundle';

function setting(name: keyof Settings): string {
    const [section, key] = name.split('.');
    const fallback = manifest.contributes.configuration.properties[name].default;
    return vscode.workspace.getConfiguration(section).get<string>(key, fallback);
}

export async function activate(context: vscode.ExtensionContext): Promise<void> {
    const args = ['lsp'];
    const bundle = setting(bundleSetting);
    if (bundle !== '') {
        args.push('--bundle', bundle);
    }
    const serverOptions: ServerOptions = {
        command: setting(pathSetting),
        args,
        transport: TransportKind.stdio,
    };
    const language = manifest.contributes.languages[0].id;
    const clientOptions: LanguageClientOptions = {
        documentSelector: [{scheme: 'file', language}],
        // The server loads the bundle again when one of its tables or kvc.json changes.
        synchronize: {fileEvents: vscode.workspace.createFileSystemWatcher('**/*.json')},
    };
    client = new LanguageClient('kvc', manifest.displayName, serverOptions, clientOptions);
    context.subscriptions.push(client);
    await client.start();
}

export async function deactivate(): Promise<void> {
    await client?.stop();
    client = undefined;
}
