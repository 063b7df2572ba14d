require 'fileutils'
require 'io/wait'
require 'json'
require 'open3'
require 'tmpdir'

# What the plug-in's host tests share: private registry, shared-memory and runtime folders per
# test, loading the plug-in through its loader script, other host processes that run a script
# and report back, and korvan-peer, which looks at a link as Korvan does.
module PluginHost
  PLUGIN_DIR = ENV.fetch('TWINLINK_PLUGIN_DIR')
  TOOLS = ENV.fetch('TWINLINK_TEST_TOOLS')
  HOST = ENV.fetch('HOSTSIM_RUBY')
  LOADER = File.join(PLUGIN_DIR, 'korvan_twinlink.rb')
  MENU = 'Korvan TwinLink'
  SETTINGS_KEY = %w[HKEY_CURRENT_USER Software Qentra PluginForSketchup].freeze
  REG_DWORD = 4

  # A start refused because another SketchUp links the file (House.skp): the message box, and
  # the status bar set and cleared again.
  FILE_ALREADY_OPEN = {
    kind: 'messagebox', caption: 'Korvan TwinLink - File already open', flags: 16, resource_id: 0, controls: {},
    text: "Cannot start the TwinLink connection.\n\nFile \"House.skp\" is being used by another instance of " \
          "SketchUp.\n\nSave the file with a different name or stop other connections."
  }.freeze
  REFUSED_STATUS = [[SB_PROMPT, 'Korvan TwinLink initializing'], [SB_VCB_LABEL, 'Korvan TwinLink:'],
                    [SB_VCB_VALUE, 'initializing'], [SB_VCB_LABEL, nil], [SB_VCB_VALUE, nil],
                    [SB_PROMPT, nil]].freeze

  # Moves the platform's state into a new folder, for this process and the hosts it starts.
  def self.isolate
    base = Dir.mktmpdir('twinlink-plugin-test-')
    { 'TWINLINK_REGISTRY_ROOT' => 'registry', 'TWINLINK_SHM_DIR' => 'shm', 'TWINLINK_RUNTIME_DIR' => 'run' }
      .each { |variable, folder| ENV[variable] = File.join(base, folder) }
    base
  end

  # A 10-inch square face from x along the x axis, in the ground plane.
  def self.square(entities, x = 0) = entities.add_face([x, 0, 0], [x + 10, 0, 0], [x + 10, 10, 0], [x, 10, 0])

  # Setup and teardown of the suites that run the plug-in on a new, empty model in this process:
  # @model, and @path where start_saved saves it (named House.skp).
  module FreshModel
    def setup
      @base = PluginHost.isolate
      load LOADER unless defined?(Korvan::CEXT_VERSION)
      Sketchup.file_new
      @model = Sketchup.active_model
      @path = File.join(@base, 'House.skp')
      # No Korvan runs beside these tests; the suite of the renderer check turns it back on.
      PluginHost.write_dword('SkipKorvanCheck', 1)
      HostSim::Desktop.clear
      HostSim.clear_status_history
    end

    def teardown
      ENV['PATH'] = @search_path if @search_path
      PluginHost.stop_link
      HostSim::Desktop.clear
      FileUtils.rm_rf(@base)
    end

    def start = PluginHost.command('Start TwinLink').invoke

    def start_saved
      @model.save(@path)
      forget_before_start
      start
      assert PluginHost.linked?, 'the link runs'
    end

    # A stand-in for the desktop's browser first in PATH (until teardown): the web links the
    # plug-in opens are written to a file, read by opened_links.
    def record_web_links
      bin = File.join(@base, 'browser')
      FileUtils.mkdir_p(bin)
      @opened = File.join(@base, 'opened.txt')
      File.write(File.join(bin, 'xdg-open'), "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '#{@opened}'\n")
      File.chmod(0o755, File.join(bin, 'xdg-open'))
      @search_path ||= ENV['PATH']
      ENV['PATH'] = "#{bin}:#{@search_path}"
    end

    # The links opened so far, once `count` have arrived (the browser runs detached); the limit
    # is a safety net, not a timing.
    def opened_links(count)
      deadline = Process.clock_gettime(Process::CLOCK_MONOTONIC) + 60
      lines = -> { File.exist?(@opened) ? File.readlines(@opened, chomp: true) : [] }
      sleep 0.01 until lines.call.size >= count || Process.clock_gettime(Process::CLOCK_MONOTONIC) > deadline
      lines.call
    end

    # The campaign query of every web link, for this host and plug-in.
    def campaign_query
      version = Sketchup.version.gsub('.', '%2e')
      "?utm_source=Sketchup%20Pro%20#{version}&utm_medium=3%2e52%2e774&utm_campaign=Sketchup%20TwinLink"
    end

    # What the start is checked against begins after the save.
    def forget_before_start = HostSim.clear_status_history
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
    $stdout.sync = true
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

  # A host process that runs `script`, reports, and then stays (waiting on its standard input)
  # until it is killed or its input ends.
  class StayingHost
    attr_reader :pid

    def initialize(script)
      @input, @output, @waiter = Open3.popen2e(HOST, '-e', "#{PRELUDE}#{script}\n$stdin.read\n")
      @pid = @waiter.pid
      @seen = +''
    end

    # What the script passed to `report`. The limit is a safety net for a broken host, not a
    # timing assumption.
    def report(seconds: 120)
      deadline = Process.clock_gettime(Process::CLOCK_MONOTONIC) + seconds
      loop do
        line = @seen.lines.find { |l| l.start_with?('REPORT ') && l.end_with?("\n") }
        return JSON.parse(line.delete_prefix('REPORT ')) if line

        left = deadline - Process.clock_gettime(Process::CLOCK_MONOTONIC)
        raise "no report from the host process:\n#{@seen}" if left <= 0 || !@output.wait_readable(left)

        chunk = @output.read_nonblock(4096, exception: false)
        raise "the host process ended without a report:\n#{@seen}" if chunk.nil?

        @seen << chunk if chunk.is_a?(String)
      end
    end

    # Kills the process with SIGKILL and returns its Process::Status.
    def kill
      Process.kill(:KILL, @pid) if @waiter.alive?
      @waiter.value.tap do
        @input.close
        @output.close
      end
    end
  end

  # ---- the link, seen from another process

  PEER = ENV.fetch('KORVAN_PEER')

  # Runs korvan-peer, the renderer's stand-in; its JSON output, parsed.
  def self.peer(*arguments)
    out, err, status = Open3.capture3(PEER, *arguments)
    raise "korvan-peer #{arguments.join(' ')} failed (#{status.exitstatus}): #{err}" unless status.success?

    JSON.parse(out)
  end

  def self.inspect_link(name) = peer('inspect', '--link', name)
  def self.header(name) = inspect_link(name)['header']

  # The descriptor's text as the plug-in sent it and its entries, percent-decoded.
  def self.descriptor(name)
    status = inspect_link(name)['records'].find { |record| record['tag'] == 'STAT' } or raise 'no STAT record'
    status['descriptor'] or raise 'no descriptor sent'
  end

  # The live links; entries whose section is gone are deleted on the way, as Korvan lists them.
  def self.live_links = peer('list')['links']
  # The directory's entry names as they stand, nothing deleted.
  def self.directory = peer('directory')['entries'].map { |entry| entry['name'] }

  # Korvan ends the link: header flag 2.
  def self.end_link(name) = peer('end', '--link', name)

  # Waits until the link's directory entry is written, which the plug-in's sync worker does
  # after its first complete pass. The limit is a safety net for a broken worker, not a timing
  # assumption.
  def self.wait_until_published(name, seconds: 120)
    deadline = Process.clock_gettime(Process::CLOCK_MONOTONIC) + seconds
    until directory.include?(name)
      raise "#{name} was never published" if Process.clock_gettime(Process::CLOCK_MONOTONIC) > deadline

      sleep 0.01
    end
  end

  # The section files in the shared-memory folder.
  def self.section_files
    folder = ENV.fetch('TWINLINK_SHM_DIR')
    File.directory?(folder) ? Dir.children(folder).sort : []
  end

  # ---- the settings in the registry

  def self.settings_folder = File.join(ENV.fetch('TWINLINK_REGISTRY_ROOT'), *SETTINGS_KEY)

  # [type, data bytes] of a settings value; nil when it is absent.
  def self.setting(name)
    path = File.join(settings_folder, name)
    return nil unless File.exist?(path)

    bytes = File.binread(path)
    [bytes.unpack1('V'), bytes[4..]]
  end

  def self.write_dword(name, value)
    FileUtils.mkdir_p(settings_folder, mode: 0o700)
    path = File.join(settings_folder, name)
    File.binwrite(path, [REG_DWORD, value].pack('VV'))
    File.chmod(0o600, path)
  end
end
