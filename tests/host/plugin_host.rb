require 'fileutils'
require 'json'
require 'open3'
require 'tmpdir'

# What the plug-in's host tests share: private registry, shared-memory and runtime folders per
# test, loading the plug-in through its loader script, other host processes that run a script
# and report back, and the link probe that looks at a link as Korvan does.
module PluginHost
  PLUGIN_DIR = ENV.fetch('TWINLINK_PLUGIN_DIR')
  TOOLS = ENV.fetch('TWINLINK_TEST_TOOLS')
  HOST = ENV.fetch('HOSTSIM_RUBY')
  LOADER = File.join(PLUGIN_DIR, 'korvan_twinlink.rb')
  MENU = 'Korvan TwinLink'
  SETTINGS_KEY = %w[HKEY_CURRENT_USER Software Qentra PluginForSketchup].freeze
  REG_DWORD = 4
  REG_SZ = 1

  # Moves the platform's state into a new folder, for this process and the hosts it starts.
  def self.isolate
    base = Dir.mktmpdir('twinlink-plugin-test-')
    { 'TWINLINK_REGISTRY_ROOT' => 'registry', 'TWINLINK_SHM_DIR' => 'shm', 'TWINLINK_RUNTIME_DIR' => 'run' }
      .each { |variable, folder| ENV[variable] = File.join(base, folder) }
    base
  end

  def self.load_plugin
    load LOADER unless defined?(Korvan::CEXT_VERSION)
  end

  # ---- the plug-in's commands, as the user reaches them

  def self.toolbar = HostSim.toolbar(MENU)
  def self.submenu = HostSim.menu_item('Extensions', MENU).submenu

  # The submenu's command with that menu text.
  def self.command(menu_text)
    item = HostSim.menu_item('Extensions', MENU, menu_text) or raise "no menu item #{menu_text.inspect}"
    item.command
  end

  def self.linked? = command('Stop TwinLink').enabled?

  def self.stop_link
    command('Stop TwinLink').invoke if linked?
  end

  # ---- other host processes

  PRELUDE = <<~RUBY
    require 'json'
    def report(result) = puts("REPORT " + JSON.generate(result))
  RUBY

  # Runs `script` in a new host process with this process's environment (plus `env`); returns
  # what it passed to `report`.
  def self.run_host(script, env: {})
    out, err, status = Open3.capture3(env, HOST, '-e', PRELUDE + script)
    line = out.lines.reverse.find { |l| l.start_with?('REPORT ') }
    raise "the host process failed (#{status}):\n#{out}\n#{err}" unless status.success? && line

    JSON.parse(line.delete_prefix('REPORT '))
  end

  # ---- the link, seen from another process

  def self.probe(*arguments)
    out, err, status = Open3.capture3(File.join(TOOLS, 'twinlink-link-probe'), *arguments)
    raise "twinlink-link-probe #{arguments.join(' ')} failed: #{err}" unless status.success?

    out
  end

  def self.header(name) = JSON.parse(probe('header', name))
  def self.descriptor(name) = JSON.parse(probe('descriptor', name))
  def self.directory = JSON.parse(probe('directory'))

  # Korvan ends the link: header flag 2.
  def self.end_link(name) = probe('end', name)
  # Writes the directory entry, as the scene's worker does after its first complete pass.
  def self.publish(name) = probe('publish', name)

  # ---- the settings in the registry

  def self.settings_folder = File.join(ENV.fetch('TWINLINK_REGISTRY_ROOT'), *SETTINGS_KEY)

  # [type, data bytes] of a settings value; nil when it is absent.
  def self.setting(name)
    path = File.join(settings_folder, name)
    return nil unless File.exist?(path)

    bytes = File.binread(path)
    [bytes.unpack1('V'), bytes[4..]]
  end

  def self.write_setting(name, type, data)
    FileUtils.mkdir_p(settings_folder, mode: 0o700)
    path = File.join(settings_folder, name)
    File.binwrite(path, [type].pack('V') + data)
    File.chmod(0o600, path)
  end

  def self.write_dword(name, value) = write_setting(name, REG_DWORD, [value].pack('V'))
end
